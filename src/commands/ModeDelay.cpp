#include "commands/ModeDelay.h"

#include "commands/CommFailure.h"
#include "commands/CommandContext.h"
#include "protocol/UnitConstants.h"
#include "settings/Declarations.h"
#include "commands/MainSurface.h"
#include "link/CommandExchange.h"

#include <QRegularExpression>

#include <cmath>

namespace ModeDelay {

namespace {

constexpr qint32 registerReplyCount = 2;
constexpr qint32 registerWaitMs = 2000;

enum class Outcome { Done, Failed, CommFailed };

struct RegisterRead {
    Outcome outcome;
    quint8 value = 0;
};

// Valid only with exactly two characters; the first one's code is the value.
RegisterRead readRegister(CommandContext &context, quint8 number)
{
    context.strData
        = exchange(context.comm, 'R', { byteText(number) }, registerReplyCount, registerWaitMs);
    if (reportCommFailure(context))
        return { Outcome::CommFailed };
    if (context.strData.size() != registerReplyCount)
        return { Outcome::Failed };
    return { Outcome::Done, static_cast<quint8>(context.strData.at(0)) };
}

// Accepted when the reply begins with "K".
Outcome writeRegister(CommandContext &context, quint8 number, quint8 value)
{
    context.strData
        = exchange(context.comm, 'W', { byteText(number), byteText(value) }, registerReplyCount,
            registerWaitMs, [](const QByteArray &reply) { return reply.startsWith('K'); });
    if (reportCommFailure(context))
        return Outcome::CommFailed;
    return context.strData.startsWith('K') ? Outcome::Done : Outcome::Failed;
}

// The one text for a refused mode write and a refused delay write alike.
const QString modeWriteError = QStringLiteral("Error on Mode Write!");

// Writes the delay of location n (0 to 7) into its register.
Outcome WriteDelay(CommandContext &context, int n, quint8 value)
{
    const Outcome outcome
        = writeRegister(context, static_cast<quint8>(FirstDelayRegister + n), value);
    if (outcome == Outcome::Failed)
        context.surface.setStatus(modeWriteError);
    return outcome;
}

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
    const RegisterRead read = readRegister(context, ModeRegister);
    if (read.outcome == Outcome::Failed)
        context.surface.setStatus(QStringLiteral("Error on Mode Read!"));
    if (read.outcome != Outcome::Done)
        return false;
    context.surface.setModeText(
        read.value == 0 ? QStringLiteral("Stack") : QStringLiteral("Interrupt"));
    return true;
}

bool ReadDelay(CommandContext &context)
{
    const RegisterRead read = readRegister(context, FirstDelayRegister);
    if (read.outcome == Outcome::Failed)
        context.surface.setStatus(QStringLiteral("Error on Delay Read "));
    if (read.outcome != Outcome::Done)
        return false;
    context.surface.setDelayText(QString::number(read.value));
    return true;
}

bool WriteMode(CommandContext &context)
{
    // Only the exact text "Stack" means stack mode; anything else is interrupt mode.
    const quint8 value = context.surface.modeText() == QStringLiteral("Stack") ? 0 : 255;
    const Outcome outcome = writeRegister(context, ModeRegister, value);
    if (outcome == Outcome::Failed)
        context.surface.setStatus(modeWriteError);
    return outcome == Outcome::Done;
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
    QStringList refused;
    for (int n = 0; n < LocationCount; ++n) {
        const Outcome outcome = WriteDelay(context, n, *value);
        if (outcome == Outcome::CommFailed)
            return;
        if (outcome == Outcome::Failed)
            refused << QString::number(FirstDelayRegister + n);
    }
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
