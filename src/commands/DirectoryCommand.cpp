#include "commands/DirectoryCommand.h"

#include "commands/CommFailure.h"
#include "commands/CommandContext.h"
#include "commands/MainSurface.h"
#include "commands/ModeDelay.h"
#include "commands/PaintUsageBars.h"
#include "commands/Palette.h"
#include "protocol/DirectoryRecord.h"
#include "protocol/TavixUnit.h"
#include "protocol/UnitConstants.h"
#include "settings/Declarations.h"

namespace DirectoryCommand {

namespace {

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

    bool windowLoaded = true;
    const auto read = context.unit.readDirectory([&](const DirectoryRecord &record) {
        windowLoaded = showRecord(context, record);
        return windowLoaded;
    });
    if (!windowLoaded)
        return;
    if (read.value.complete) {
        surface.setStatus(QStringLiteral("Done!"));
        ModeDelay::ReadMode(context);
        ModeDelay::ReadDelay(context);
    } else if (!reportCommFailure(context, read)) {
        surface.setStatus(QStringLiteral("Error!"));
    }
    surface.SetIdleControls();
}

} // namespace DirectoryCommand
