#include "commands/EraseLocation.h"

#include "commands/CommFailure.h"
#include "commands/CommandContext.h"
#include "settings/Declarations.h"
#include "commands/MainSurface.h"
#include "commands/Palette.h"
#include "link/CommandExchange.h"

namespace {
// A unit may need this long to clear a whole location.
constexpr qint32 eraseWaitMs = 40000;
} // namespace

EraseOutcome EraseLocation(CommandContext &context, int location)
{
    if (location < 0 || location >= LocationCount)
        return EraseOutcome::NoReply;
    const auto index = static_cast<size_t>(location);
    QString &mark = context.declarations.ErasedMarks.at(index);
    if (!mark.isEmpty())
        return EraseOutcome::Erased;

    MainSurface &surface = context.surface;
    surface.setAbortEnabled(false);
    surface.setMessageText(location, QString());
    context.declarations.LocationNames.at(index).clear();
    surface.setBarWidth(location, 0);
    surface.setBarColor(location, palette.at(index));
    const QString number = QString::number(location + 1);
    surface.setStatus(QStringLiteral("Erasing Location ") + number + QStringLiteral(" - - -"));

    context.strData = exchange(context.comm, 'C', { locationText(location) }, 2, eraseWaitMs);
    if (reportCommFailure(context))
        return EraseOutcome::CommFailed;
    if (context.strData.isEmpty()) {
        surface.setStatus(QStringLiteral("Error!"));
        return EraseOutcome::NoReply;
    }
    // Whatever the unit answers counts: only its silence is a failure.
    surface.setStatus(QStringLiteral("Memory Location ") + number + QStringLiteral(" Erased!"));
    mark = QStringLiteral("Erased");
    surface.setAbortEnabled(true);
    return EraseOutcome::Erased;
}
