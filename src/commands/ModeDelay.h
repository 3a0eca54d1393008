#pragma once

#include <QString>

#include <optional>

struct CommandContext;

// The unit's playback mode (register 1) and trigger delay (registers 9 to 16, one per location)
// shown in and written from the two boxes of the main window.
namespace ModeDelay {

// The value a box text stands for: its leading number (an empty text is 0) rounded to the
// nearest integer, halves to even; nothing when that does not fit a byte.
std::optional<quint8> delayValue(const QString &text);

// The three exchanges expect the caller to hold the unit (UnitWork). Each returns false when it
// failed, after putting its error text in the status label.
bool ReadMode(CommandContext &context);
bool WriteMode(CommandContext &context);
bool ReadDelay(CommandContext &context);

// The user picked an item of the box.
void cmbMode_Click(CommandContext &context);
void cmbDelay_Click(CommandContext &context, int index);

} // namespace ModeDelay
