#pragma once

// messageSpan, the locations of one message, comes with the upload rules.
#include "protocol/UploadPlan.h"
#include "settings/Declarations.h"

#include <QList>

struct CommandContext;

enum class EraseOutcome {
    Erased, // the unit answered, or the location was already erased in this command
    NoReply, // nothing within the wait; the status says "Error!"
    CommFailed, // the serial component failed; the status says so
};

// Erases one location (0 to 7) with "C" and clears its row on the window first. Does nothing for
// a location whose ErasedMarks entry is set, so a command that asks twice sends one erase.
// The caller holds the unit (UnitWork) and may ignore the outcome.
EraseOutcome EraseLocation(CommandContext &context, int location);
