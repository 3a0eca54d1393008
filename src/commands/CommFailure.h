#pragma once

#include <QString>

struct CommandContext;
struct UnitResult;

// The prefix of the status text that shows a fault of the serial component itself.
inline const QString CommFailurePrefix = QStringLiteral("Comm Port Error: ");

// When the result is a failure of the serial component (or of a line that never fell silent),
// shows it in the status label and returns true; the command then stops talking to the unit.
bool reportCommFailure(CommandContext &context, const UnitResult &result);
