#include "commands/Playback.h"

#include "commands/CommFailure.h"
#include "commands/CommandContext.h"
#include "settings/Declarations.h"
#include "commands/MainSurface.h"
#include "link/CommandExchange.h"
#include "link/SaxComm.h"

namespace {

constexpr int pollIntervalMs = 500;
constexpr qint32 statusWaitMs = 500;
constexpr qint32 doneWaitMs = 1000;

QString playingText(const CommandContext &context)
{
    return QStringLiteral("Playing Message: ")
        + QString::number(context.declarations.SelectedLocation + 1);
}

} // namespace

void Playback::claimUnit(CommandContext &context)
{
    m_watching = true;
    context.unitBusy = true;
    context.surface.setUnitCommandsEnabled(false);
}

void Playback::finish(CommandContext &context)
{
    context.timers.Timer4.stop();
    if (m_watching) {
        m_watching = false;
        context.unitBusy = false;
        context.surface.setUnitCommandsEnabled(true);
    }
    context.surface.SetIdleControls();
}

void Playback::cmdPlay_Click(CommandContext &context)
{
    if (context.unitBusy)
        return;
    context.comm.takeError();
    sendCommand(context.comm, 'P', { locationText(context.declarations.SelectedLocation) });
    if (reportCommFailure(context))
        return;
    claimUnit(context);
    context.surface.SetBusyControls();
    context.surface.setAbortEnabled(true);
    context.surface.setStatus(playingText(context));
    context.declarations.CurrentOperation = QStringLiteral("Play");
    context.timers.Timer4.setInterval(pollIntervalMs);
    context.timers.Timer4.start();
}

void Playback::Timer4_Timer(CommandContext &context)
{
    context.timers.Timer4.stop();
    if (!m_watching)
        return;
    MainSurface &surface = context.surface;
    sendCommand(context.comm, 'S', {}, false);
    context.strData = readReply(context.comm, 1, statusWaitMs);
    if (reportCommFailure(context)) {
        finish(context);
        return;
    }
    if (context.strData == "B") {
        surface.setStatus(playingText(context));
        context.timers.Timer4.setInterval(pollIntervalMs);
        context.timers.Timer4.start();
        return;
    }
    if (!context.strData.isEmpty()) {
        surface.setStatus(QStringLiteral("Error!"));
        DrainInput(context.comm);
        finish(context);
        return;
    }
    // Silence to "S" means the message has ended; the unit confirms on a carriage return.
    context.comm.OutputText(QByteArray(1, CarriageReturn));
    context.strData = readReply(context.comm, 2, doneWaitMs);
    if (!reportCommFailure(context)) {
        surface.setStatus(
            context.strData.isEmpty() ? QStringLiteral("Error!") : QStringLiteral("Message Done"));
        // The wait ran out: the rest of the confirmation may still come.
        if (context.strData.size() < 2)
            DrainInput(context.comm);
    }
    finish(context);
}

void Playback::cmdAbort_Click(CommandContext &context)
{
    // "A" goes out only when it cannot land in the middle of another command's exchange.
    if (context.declarations.CurrentOperation == QStringLiteral("Play")
        && (m_watching || !context.unitBusy)) {
        context.timers.Timer4.stop();
        context.comm.takeError();
        sendCommand(context.comm, 'A', {}, false);
        if (!reportCommFailure(context))
            context.surface.setStatus(QStringLiteral("Playback Stopped"));
    }
    context.declarations.CurrentOperation = QStringLiteral("Abort");
    if (m_watching)
        finish(context);
    else
        context.surface.SetIdleControls();
}
