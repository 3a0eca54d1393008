#pragma once

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

// The locations of the message at `location` (0 to 7), in order: the run of neighbouring
// locations around it that carry its name, as a message over several locations shows its name in
// each. Only `location` itself for an empty name. A message elsewhere that merely carries the same
// name is another message and not part of it.
QList<int> messageSpan(const std::array<QString, LocationCount> &names, int location);
