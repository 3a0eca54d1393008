#pragma once

#include <QByteArray>
#include <QString>

struct CommandContext;

// The service entries of the Tools menu: Part ID, Read (first byte of memory) and Clear Com.
namespace Diagnostics {

// Character codes in upper-case hexadecimal, no leading zeros, separated by single spaces.
QString hexCodes(const QByteArray &bytes);

void mnuToolsMfg_Click(CommandContext &context);
void mnuToolsRead_Click(CommandContext &context);
void mnuToolsClear_Click(CommandContext &context);

} // namespace Diagnostics
