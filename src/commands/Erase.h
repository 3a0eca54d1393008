#pragma once

#include <QList>
#include <QString>

struct CommandContext;

// The Erase button (the selected location with every location of the same message) and Tools,
// Erase All.
namespace Erase {

// The status after a series that left these locations (indices 0 to 7) not erased: the one
// whose erase the unit did not answer and those not tried after it.
QString notErasedText(const QList<int> &locations);

void cmdErase_Click(CommandContext &context);
void mnuToolsErase_Click(CommandContext &context);

} // namespace Erase
