#pragma once

#include <QString>

struct CommandContext;

// The prefix of the status text that shows a fault of the serial component itself.
inline const QString CommFailurePrefix = QStringLiteral("Comm Port Error: ");
// The status text when the input is still talking after the time that draining it may take.
inline const QString lineKeepsTalking = CommFailurePrefix + QStringLiteral("Data keeps arriving.");

// When the serial component recorded a fault since it was last asked, shows it in the status
// label and returns true; the command then stops talking to the unit.
bool reportCommFailure(CommandContext &context);
