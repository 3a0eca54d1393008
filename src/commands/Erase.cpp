#include "commands/Erase.h"

#include "commands/CommandContext.h"
#include "settings/Declarations.h"
#include "commands/MainSurface.h"
#include "commands/Prompter.h"
#include "link/SaxComm.h"
#include "commands/EraseLocation.h"

#include <QStringList>

namespace Erase {

namespace {

// Erases the locations in order, each once. An erase the unit left unanswered ends the series:
// a unit that did not answer one would only be kept waiting by the next, and its late answer
// could be taken for the next one's. That location and those not tried go into notErased. Stops
// at a failure of the serial component, whose text the status then keeps; false in that case.
bool eraseSeries(CommandContext &context, const QList<int> &locations, QList<int> &notErased,
    const QString &statusAfterEach = {})
{
    for (qsizetype i = 0; i < locations.size(); ++i) {
        const int location = locations.at(i);
        context.declarations.ErasedMarks.at(static_cast<size_t>(location)).clear();
        const EraseOutcome outcome = EraseLocation(context, location);
        if (outcome == EraseOutcome::CommFailed)
            return false;
        if (outcome == EraseOutcome::NoReply) {
            notErased << locations.mid(i);
            return true;
        }
        if (!statusAfterEach.isEmpty())
            context.surface.setStatus(statusAfterEach);
    }
    return true;
}

} // namespace

QString notErasedText(const QList<int> &locations)
{
    QStringList numbers;
    for (int location : locations)
        numbers << QString::number(location + 1);
    return (numbers.size() == 1 ? QStringLiteral("Error! Location ")
                                : QStringLiteral("Error! Locations "))
        + numbers.join(QStringLiteral(", ")) + QStringLiteral(" not erased!");
}

void cmdErase_Click(CommandContext &context)
{
    UnitWork work(context);
    if (!work)
        return;
    context.comm.takeError();
    MainSurface &surface = context.surface;
    modDeclarations &declarations = context.declarations;
    surface.SetBusyControls();
    surface.setAbortEnabled(false);

    const int selected = declarations.SelectedLocation;
    const QString selectedNumber = QString::number(selected + 1);
    const QString erased
        = QStringLiteral("Location ") + selectedNumber + QStringLiteral(" Erased!");
    // Taken before the first erase, which empties a name. Only the selected message's own
    // locations: another message that happens to carry the same name stays.
    const QList<int> span = messageSpan(declarations.LocationNames, selected);
    QList<int> locations;
    if (declarations.LocationNames.at(static_cast<size_t>(selected)).isEmpty()) {
        locations << selected;
    } else if (context.prompter.askYesNo(QStringLiteral("Are you sure you want to erase Location ")
                       + selectedNumber + QStringLiteral("?"),
                   QStringLiteral("Erase Location"))) {
        locations = span;
    }
    QList<int> notErased;
    if (!locations.isEmpty() && eraseSeries(context, locations, notErased, erased)
        && !notErased.isEmpty())
        surface.setStatus(notErasedText(notErased));
    surface.SetIdleControls();
}

void mnuToolsErase_Click(CommandContext &context)
{
    // Refused before the question: nothing may change while another command holds the unit.
    if (context.unitBusy)
        return;
    if (!context.prompter.askYesNo(QStringLiteral("Are you sure you want to erase all Locations?"),
            QStringLiteral("Erase All")))
        return;
    UnitWork work(context);
    if (!work)
        return;
    context.comm.takeError();
    MainSurface &surface = context.surface;
    surface.SetBusyControls();
    surface.setAbortEnabled(false);
    QList<int> notErased;
    const bool portOk = eraseSeries(context, { 0, 1, 2, 3, 4, 5, 6, 7 }, notErased);
    surface.SetIdleControls();
    if (!portOk)
        return;
    surface.setStatus(notErased.isEmpty() ? QStringLiteral("All memory locations are erased!")
                                          : notErasedText(notErased));
}

} // namespace Erase
