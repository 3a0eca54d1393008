#include "commands/ModeDelay.h"

#include "commands/CommFailure.h"
#include "commands/CommandContext.h"
#include "commands/MainSurface.h"
#include "protocol/TavixUnit.h"
#include "settings/Declarations.h"

#include <QRegularExpression>

#include <cmath>

namespace ModeDelay {

namespace {

// The one text for a refused mode write and a refused delay write alike.
const QString modeWriteError = QStringLiteral("Error on Mode Write!");

} // namespace

std::optional<quint8> delayValue(const QString &text)
{
    static const QRegularExpression leadingNumber(
        QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+))"));
    const QRegularExpressionMatch match = leadingNumber.match(text);
    if (!match.hasMatch())
        return quint8 { 0 };
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    const double rounded = std::nearbyint(match.captured(1).toDouble());
    if (!(rounded >= 0 && rounded <= 255))
        return std::nullopt;
    return static_cast<quint8>(rounded);
}

bool ReadMode(CommandContext &context)
{
    const auto read = context.unit.readMode();
    if (reportCommFailure(context, read))
        return false;
    if (!read.ok()) {
        context.surface.setStatus(QStringLiteral("Error on Mode Read!"));
        return false;
    }
    context.surface.setModeText(
        read.value == PlaybackMode::Stack ? QStringLiteral("Stack") : QStringLiteral("Interrupt"));
    return true;
}

bool ReadDelay(CommandContext &context)
{
    const auto read = context.unit.readDelay();
    if (reportCommFailure(context, read))
        return false;
    if (!read.ok()) {
        context.surface.setStatus(QStringLiteral("Error on Delay Read "));
        return false;
    }
    context.surface.setDelayText(QString::number(read.value));
    return true;
}

bool WriteMode(CommandContext &context)
{
    // Only the exact text "Stack" means stack mode; anything else is interrupt mode.
    const PlaybackMode mode = context.surface.modeText() == QStringLiteral("Stack")
        ? PlaybackMode::Stack
        : PlaybackMode::Interrupt;
    const UnitResult written = context.unit.writeMode(mode);
    if (reportCommFailure(context, written))
        return false;
    if (!written.ok())
        context.surface.setStatus(modeWriteError);
    return written.ok();
}

void cmbMode_Click(CommandContext &context)
{
    UnitWork work(context);
    if (!work)
        return;
    context.comm.takeError();
    WriteMode(context);
}

void cmbDelay_Click(CommandContext &context, int)
{
    UnitWork work(context);
    if (!work)
        return;
    context.comm.takeError();
    const QString text = context.surface.delayText();
    const auto value = delayValue(text);
    if (!value) {
        context.surface.setStatus(QStringLiteral("Invalid Delay: ") + text);
        return;
    }
    // Every location gets the same delay; a refused write does not stop the others, but the
    // result names each register the unit refused.
    const auto written = context.unit.writeDelay(*value);
    QStringList refused;
    for (quint8 number : written.value) {
        context.surface.setStatus(modeWriteError);
        refused << QString::number(number);
    }
    if (reportCommFailure(context, written))
        return;
    if (refused.isEmpty())
        context.surface.setStatus(QStringLiteral("Delay Updated!"));
    else if (refused.size() == 1)
        context.surface.setStatus(
            QStringLiteral("Error on Delay Write! Register ") + refused.first());
    else
        context.surface.setStatus(QStringLiteral("Error on Delay Write! Registers ")
            + refused.join(QStringLiteral(", ")));
}

} // namespace ModeDelay
