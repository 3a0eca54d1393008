#include "commands/UpdateCommand.h"

#include "commands/CommandContext.h"
#include "settings/Declarations.h"
#include "commands/MainSurface.h"
#include "commands/Prompter.h"
#include "link/CommandExchange.h"
#include "link/SaxComm.h"
#include "commands/Erase.h"
#include "commands/EraseLocation.h"
#include "commands/LoadMessage.h"
#include "commands/OverflowPrompt.h"
#include "protocol/SoundFile.h"
#include "protocol/UploadPlan.h"
#include "protocol/UploadSizes.h"
#include "protocol/WaveHeader.h"

#include <QEventLoop>
#include <QPointer>

#include <algorithm>

namespace {

// Wave files first and chosen, as always; then every file the program decodes, both letter
// cases of each extension, as a desktop's own dialog may match them exactly.
const QString OpenFilters = QStringLiteral(
    "Wave Files (*.wav);;Sound Files (*.wav *.flac *.ogg *.oga *.opus *.mp3 *.aif *.aiff *.aifc "
    "*.WAV *.FLAC *.OGG *.OGA *.OPUS *.MP3 *.AIF *.AIFF *.AIFC)");

} // namespace

UpdateCommand::UpdateCommand(
    CommandContext &context, const QString &waveDir, OverflowPrompt *overflow)
    : m_context(context)
    , m_waveDir(waveDir)
    , m_overflow(overflow)
{
}

void UpdateCommand::run()
{
    // Held to the end: while this command runs (its dialogs and its transfer let events run),
    // nothing else may talk to the unit.
    UnitWork work(m_context);
    if (!work)
        return;
    modDeclarations &decl = m_context.declarations;
    m_location = qBound(0, static_cast<int>(decl.SelectedLocation), LocationCount - 1);
    decl.ReduceSteps = 0;

    if (continuesMessage(decl.LocationNames, m_location)) {
        const QString &current = decl.LocationNames[static_cast<size_t>(m_location)];
        const bool yes
            = m_context.prompter.askYesNo(QStringLiteral("This will clear all of the message '")
                    + current + QStringLiteral("' do you want to continue?"),
                QStringLiteral("Clear Previous Message"));
        if (!yes) {
            m_context.surface.setStatus(QStringLiteral("Command cancelled!"));
            return;
        }
    }
    chooseAndCheck();
}

void UpdateCommand::chooseAndCheck()
{
    modDeclarations &decl = m_context.declarations;
    MainSurface &surface = m_context.surface;
    const QString path = m_context.prompter.openFileName(m_waveDir, OpenFilters);
    if (path.isEmpty()) {
        m_context.prompter.message(QStringLiteral("No File Selected!"));
        return;
    }
    decl.WavePath = path;

    m_name = soundFileName(path);
    if (alreadyLoaded(decl.LocationNames, m_name)) {
        m_context.prompter.message(QStringLiteral("File already loaded, erase before reloading!"));
        return;
    }
    surface.setStatus(QStringLiteral("Loading ") + path);

    const WaveHeaderReading reading = readSoundFile(path);
    if (reading.outcome == WaveHeaderReading::Outcome::Refused) {
        m_context.prompter.message(reading.message);
        return;
    }
    if (reading.outcome == WaveHeaderReading::Outcome::Broken) {
        generalFailure();
        return;
    }
    if (!takeWaveHeader(decl, reading.header)) {
        generalFailure();
        return;
    }

    for (QString &mark : decl.ErasedMarks)
        mark.clear();
    surface.SetBusyControls();

    switch (routeUpload(decl, m_location)) {
    case UploadRoute::OneLocation:
        if (oneLocationPlacement(true))
            closingSteps();
        return;
    case UploadRoute::HalvedToOne:
        // Ends without the closing steps, as a halved message that fits one location always has.
        oneLocationPlacement(false);
        return;
    case UploadRoute::Overflow:
        overflowPath();
        return;
    case UploadRoute::TooBig:
        refuseTooBig();
        return;
    case UploadRoute::Broken:
        generalFailure();
        return;
    }
}

void UpdateCommand::erase(int location)
{
    // EraseLocation takes the component's fault to report it, so it is kept here for the
    // command's own failure path; nothing more goes to a port that has failed.
    if (m_unitFailed)
        return;
    // Nor to a unit that left an erase unanswered: its late answer could be taken for the next
    // one's. A location not tried then is not erased either.
    if (!m_notErased.isEmpty()) {
        if (!m_notErased.contains(location)
            && m_context.declarations.ErasedMarks.at(static_cast<size_t>(location)).isEmpty())
            m_notErased << location;
        return;
    }
    const EraseOutcome outcome = EraseLocation(m_context, location);
    if (outcome == EraseOutcome::CommFailed)
        m_unitFailed = true;
    else if (outcome == EraseOutcome::NoReply)
        m_notErased << location;
}

std::array<QString, LocationCount> UpdateCommand::shownNames() const
{
    std::array<QString, LocationCount> names;
    for (int i = 0; i < LocationCount; ++i)
        names.at(static_cast<size_t>(i)) = m_context.surface.messageText(i);
    return names;
}

void UpdateCommand::eraseFor(int extraLocations)
{
    for (int i : placementErasures(shownNames(), m_location, extraLocations))
        erase(i);
}

void UpdateCommand::nameLocation(int location)
{
    m_context.surface.setMessageText(location, m_name);
    m_context.declarations.LocationNames[static_cast<size_t>(location)] = m_name;
}

bool UpdateCommand::unitFailed()
{
    if (!m_notErased.isEmpty()) {
        // The message would go into a location the unit never confirmed erased.
        QList<int> locations = m_notErased;
        std::sort(locations.begin(), locations.end());
        m_context.comm.takeError();
        m_context.surface.setStatus(Erase::notErasedText(locations));
        m_context.surface.SetIdleControls();
        return true;
    }
    if (!m_unitFailed && !m_context.comm.takeError())
        return false;
    generalFailure();
    return true;
}

bool UpdateCommand::oneLocationPlacement(bool withAutoReduce)
{
    modDeclarations &decl = m_context.declarations;
    MainSurface &surface = m_context.surface;
    // The whole message now at the selected location, its earlier parts too (the question at
    // the start said so).
    eraseFor(0);
    if (unitFailed())
        return false;
    nameLocation(m_location);
    if (withAutoReduce && surface.autoReduceChecked())
        autoReduce(decl);
    if (!LoadMessage(m_context, m_location))
        return false;
    surface.SetIdleControls();
    return true;
}

void UpdateCommand::overflowPath()
{
    modDeclarations &decl = m_context.declarations;
    if (!waitForOverflowChoice())
        return;
    const QString &choice = decl.OverflowChoice;
    if (choice == QStringLiteral("Proceed")) {
        severalLocationPlacement();
    } else if (choice == QStringLiteral("Convert")) {
        if (oneLocationPlacement(false))
            closingSteps();
    } else {
        m_context.surface.SetIdleControls();
        m_context.surface.setStatus(QStringLiteral("Ready!"));
        closingSteps();
    }
}

bool UpdateCommand::waitForOverflowChoice()
{
    modDeclarations &decl = m_context.declarations;
    const QString waiting = QStringLiteral("Wait");
    decl.OverflowChoice = waiting;
    if (!m_overflow) {
        decl.OverflowChoice = QStringLiteral("Cancel");
        return true;
    }
    // The loop sleeps until an event comes, so the wait costs no processor time; the menus,
    // the selectors and Stop stay usable meanwhile.
    QEventLoop loop;
    QPointer<QEventLoop> guard(&loop);
    m_overflow->showOverflow(decl, m_location, [guard] {
        if (guard)
            guard->quit();
    });
    if (decl.OverflowChoice == waiting)
        loop.exec();
    // Still waiting: the loop ended because the program is ending.
    return decl.OverflowChoice != waiting;
}

void UpdateCommand::severalLocationPlacement()
{
    modDeclarations &decl = m_context.declarations;
    MainSurface &surface = m_context.surface;
    surface.SetBusyControls();
    // Every message that a location to be overwritten shows, whole.
    eraseFor(decl.ExtraLocations);
    if (unitFailed())
        return;
    for (int i : filledLocations(m_location, decl.ExtraLocations))
        nameLocation(i);
    if (!LoadMessage(m_context, m_location))
        return;
    surface.SetIdleControls();
    closingSteps();
}

void UpdateCommand::closingSteps()
{
    DrainInput(m_context.comm);
    m_context.comm.takeError();
    if (m_context.declarations.CurrentOperation == QStringLiteral("Abort"))
        m_context.timers.Timer2.start();
}

void UpdateCommand::generalFailure()
{
    m_context.surface.setStatus(QStringLiteral("File not found!"));
    m_context.surface.SetIdleControls();
    DrainInput(m_context.comm);
    m_context.comm.takeError();
}

void UpdateCommand::refuseTooBig()
{
    m_context.prompter.message(QStringLiteral("File Is Too Big!"));
    m_context.surface.SetIdleControls();
}
