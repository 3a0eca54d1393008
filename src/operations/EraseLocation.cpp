#include "operations/EraseLocation.h"

#include "app/CommandContext.h"
#include "app/Declarations.h"
#include "app/MainSurface.h"
#include "app/Palette.h"
#include "link/CommandExchange.h"

void EraseLocation(CommandContext &context, int location)
{
    if (location < 0 || location >= LocationCount)
        return;
    auto &marks = context.declarations.ErasedMarks;
    if (!marks[static_cast<size_t>(location)].isEmpty())
        return;
    MainSurface &surface = context.surface;
    surface.setAbortEnabled(false);
    surface.setMessageText(location, QString());
    context.declarations.LocationNames[static_cast<size_t>(location)].clear();
    surface.setBarWidth(location, 0);
    surface.setBarColor(location, palette[static_cast<size_t>(location)]);
    surface.setStatus(QStringLiteral("Erasing Location %1 - - -").arg(location + 1));
    context.strData = exchange(context.comm, 'C', { locationText(location) }, 2, 40000);
    if (context.strData.isEmpty()) {
        surface.setStatus(QStringLiteral("Error!"));
        return;
    }
    surface.setStatus(QStringLiteral("Memory Location %1 Erased!").arg(location + 1));
    marks[static_cast<size_t>(location)] = QStringLiteral("Erased");
    surface.setAbortEnabled(true);
}
