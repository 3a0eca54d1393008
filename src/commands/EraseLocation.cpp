#include "commands/EraseLocation.h"

#include "commands/CommFailure.h"
#include "commands/CommandContext.h"
#include "commands/MainSurface.h"
#include "commands/Palette.h"
#include "protocol/TavixUnit.h"
#include "settings/Declarations.h"

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

    const UnitResult erased = context.unit.erase(location);
    if (reportCommFailure(context, erased))
        return EraseOutcome::CommFailed;
    // Whatever the unit answers counts: only its silence is a failure.
    if (!erased.ok()) {
        surface.setStatus(QStringLiteral("Error!"));
        return EraseOutcome::NoReply;
    }
    surface.setStatus(QStringLiteral("Memory Location ") + number + QStringLiteral(" Erased!"));
    mark = QStringLiteral("Erased");
    surface.setAbortEnabled(true);
    return EraseOutcome::Erased;
}
