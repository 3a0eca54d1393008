#include "commands/Diagnostics.h"

#include "commands/CommFailure.h"
#include "commands/CommandContext.h"
#include "settings/Declarations.h"
#include "commands/MainSurface.h"
#include "link/CommandExchange.h"

#include <QStringList>

namespace Diagnostics {

namespace {

constexpr qint32 diagnosticWaitMs = 2000;

// "E", the selected location, the sub-command letter, a carriage return; false when the port
// failed.
bool diagnosticCommand(CommandContext &context, char subCommand, qint32 count)
{
    context.comm.takeError();
    context.strData = exchange(context.comm, 'E',
        { locationText(context.declarations.SelectedLocation), QByteArray(1, subCommand) }, count,
        diagnosticWaitMs);
    return !reportCommFailure(context);
}

} // namespace

QString hexCodes(const QByteArray &bytes)
{
    QStringList codes;
    for (char byte : bytes)
        codes << QString::number(static_cast<quint8>(byte), 16).toUpper();
    return codes.join(QLatin1Char(' '));
}

void mnuToolsMfg_Click(CommandContext &context)
{
    UnitWork work(context);
    if (!work || !diagnosticCommand(context, 'M', 4))
        return;
    // The fourth character is the unit's own and not shown.
    if (context.strData.size() == 4)
        context.surface.setStatus(
            QStringLiteral("Manufacturer code is: ") + hexCodes(context.strData.left(3)));
    else
        context.surface.setStatus(QStringLiteral("Error!"));
}

void mnuToolsRead_Click(CommandContext &context)
{
    UnitWork work(context);
    if (!work || !diagnosticCommand(context, 'R', 2))
        return;
    if (context.strData.isEmpty())
        context.surface.setStatus(QStringLiteral("Error!"));
    else
        context.surface.setStatus(
            QStringLiteral("The first byte of memory is: ") + hexCodes(context.strData.left(1)));
}

void mnuToolsClear_Click(CommandContext &context)
{
    UnitWork work(context);
    if (!work)
        return;
    context.comm.takeError();
    context.surface.setStatus(QStringLiteral("Clearing USART - - -"));
    const bool silent = DrainInput(context.comm);
    if (!reportCommFailure(context))
        context.surface.setStatus(silent ? QStringLiteral("Ready") : lineKeepsTalking);
}

} // namespace Diagnostics
