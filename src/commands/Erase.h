#pragma once

#include <QList>
#include <QString>

struct CommandContext;

// The Erase button (the selected location with every location of the same message) and Tools,
// Erase All.
namespace Erase {

// The status after a series in which the unit did not answer the erase of these locations
// (indices 0 to 7).
QString notErasedText(const QList<int> &locations);

void cmdErase_Click(CommandContext &context);
void mnuToolsErase_Click(CommandContext &context);

} // namespace Erase
