#include "commands/DirectoryCommand.h"

#include "commands/CommFailure.h"
#include "commands/CommandContext.h"
#include "protocol/UnitConstants.h"
#include "settings/Declarations.h"
#include "commands/MainSurface.h"
#include "commands/Palette.h"
#include "protocol/DirectoryRecord.h"
#include "commands/PaintUsageBars.h"
#include "link/CommandExchange.h"
#include "commands/ModeDelay.h"

namespace DirectoryCommand {

namespace {

constexpr qint32 recordWaitMs = 1000;

void clearRows(CommandContext &context)
{
    MainSurface &surface = context.surface;
    surface.setModeText(QString());
    surface.setStatus(QStringLiteral("Loading Directory - - -"));
    for (int i = 0; i < LocationCount; ++i) {
        surface.setMessageText(i, QString());
        context.declarations.LocationNames.at(static_cast<size_t>(i)).clear();
        surface.setBarWidth(i, 0);
    }
    surface.setDelayText(QString());
    for (int i = 0; i < LocationCount; ++i)
        surface.setBarColor(i, palette.at(static_cast<size_t>(i)));
}

// False when the window was unloaded while events ran: the program is ending.
bool showRecord(CommandContext &context, const DirectoryRecord &record)
{
    bool windowLoaded = true;
    paintUsageBars(context.surface, record.location, record.bytesOccupied,
        context.declarations.LocationCapacity, [&](int location) {
            windowLoaded = windowLoaded && context.surface.letEventsRun();
            context.declarations.LocationNames.at(static_cast<size_t>(location)) = record.name;
            context.surface.setMessageText(location, record.name);
        });
    return windowLoaded;
}

// Reads one record into strData; false when the port failed.
bool askFor(CommandContext &context, char letter)
{
    context.strData = exchange(context.comm, letter, {}, DirectoryRecordLength, recordWaitMs);
    return !reportCommFailure(context);
}

} // namespace

void cmdDirectory_Click(CommandContext &context)
{
    UnitWork work(context);
    if (!work)
        return;
    MainSurface &surface = context.surface;
    context.comm.takeError();
    surface.SetBusyControls();
    surface.setAbortEnabled(false);
    clearRows(context);

    const bool silent = DrainInput(context.comm);
    bool portOk = !reportCommFailure(context);
    if (portOk && !silent) {
        // Records read from a line that keeps talking would be its noise.
        surface.setStatus(lineKeepsTalking);
        portOk = false;
    }
    portOk = portOk && askFor(context, 'D');
    for (int records = 0; portOk; ++records) {
        const DirectoryReplyKind kind = directoryReplyKind(context.strData);
        if (kind == DirectoryReplyKind::EndMarker) {
            surface.setStatus(QStringLiteral("Done!"));
            ModeDelay::ReadMode(context);
            ModeDelay::ReadDelay(context);
            break;
        }
        if (kind != DirectoryReplyKind::Record || records >= MostRecords) {
            surface.setStatus(QStringLiteral("Error!"));
            break;
        }
        if (const auto record = parseDirectoryRecord(context.strData); record && !showRecord(context, *record))
            return;
        portOk = askFor(context, 'N');
    }
    surface.SetIdleControls();
}

} // namespace DirectoryCommand
