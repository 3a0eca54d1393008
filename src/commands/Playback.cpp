#include "commands/Playback.h"

#include "commands/CommFailure.h"
#include "commands/CommandContext.h"
#include "commands/MainSurface.h"
#include "link/SaxComm.h"
#include "protocol/TavixUnit.h"
#include "settings/Declarations.h"

namespace {

constexpr int pollIntervalMs = 500;

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
    const UnitResult started = context.unit.play(context.declarations.SelectedLocation);
    if (reportCommFailure(context, started) || !started.ok())
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
    const auto polled = context.unit.poll();
    if (reportCommFailure(context, polled)) {
        finish(context);
        return;
    }
    if (polled.ok() && polled.value == PlayState::Playing) {
        surface.setStatus(playingText(context));
        context.timers.Timer4.setInterval(pollIntervalMs);
        context.timers.Timer4.start();
        return;
    }
    // The end, once the unit confirmed it; a reply other than "B", or no confirmation, is an
    // error.
    surface.setStatus(polled.ok() ? QStringLiteral("Message Done") : QStringLiteral("Error!"));
    finish(context);
}

void Playback::cmdAbort_Click(CommandContext &context)
{
    // "A" goes out only when it cannot land in the middle of another command's exchange.
    if (context.declarations.CurrentOperation == QStringLiteral("Play")
        && (m_watching || !context.unitBusy)) {
        context.timers.Timer4.stop();
        context.comm.takeError();
        if (!reportCommFailure(context, context.unit.stop()))
            context.surface.setStatus(QStringLiteral("Playback Stopped"));
    }
    context.declarations.CurrentOperation = QStringLiteral("Abort");
    if (m_watching)
        finish(context);
    else
        context.surface.SetIdleControls();
}
