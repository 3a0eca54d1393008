#include "commands/Diagnostics.h"

#include "commands/CommFailure.h"
#include "commands/CommandContext.h"
#include "commands/MainSurface.h"
#include "protocol/TavixUnit.h"
#include "settings/Declarations.h"

#include <QStringList>

namespace Diagnostics {

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
    if (!work)
        return;
    context.comm.takeError();
    const auto code = context.unit.manufacturerCode(context.declarations.SelectedLocation);
    if (reportCommFailure(context, code))
        return;
    // The fourth character is the unit's own and not shown.
    context.surface.setStatus(code.ok()
            ? QStringLiteral("Manufacturer code is: ") + hexCodes(code.value)
            : QStringLiteral("Error!"));
}

void mnuToolsRead_Click(CommandContext &context)
{
    UnitWork work(context);
    if (!work)
        return;
    context.comm.takeError();
    const auto first = context.unit.firstByte(context.declarations.SelectedLocation);
    if (reportCommFailure(context, first))
        return;
    context.surface.setStatus(first.ok() ? QStringLiteral("The first byte of memory is: ")
                + hexCodes(QByteArray(1, static_cast<char>(first.value)))
                                         : QStringLiteral("Error!"));
}

void mnuToolsClear_Click(CommandContext &context)
{
    UnitWork work(context);
    if (!work)
        return;
    context.comm.takeError();
    context.surface.setStatus(QStringLiteral("Clearing USART - - -"));
    if (!reportCommFailure(context, context.unit.clearInput()))
        context.surface.setStatus(QStringLiteral("Ready"));
}

} // namespace Diagnostics
