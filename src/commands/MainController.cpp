#include "commands/MainController.h"

#include "settings/Declarations.h"
#include "commands/MainSurface.h"
#include "commands/Prompter.h"
#include "commands/WindowHost.h"
#include "commands/DirectoryCommand.h"
#include "commands/Diagnostics.h"
#include "commands/Erase.h"
#include "commands/ModeDelay.h"
#include "link/SaxComm.h"
#include "commands/OverflowPrompt.h"
#include "commands/UpdateCommand.h"

#include <QDateTime>

// Counts the window's handlers on the stack. A handler may wait in a nested event loop (a
// message box, the file dialog, the overflow dialog, a transfer letting events run), and
// whatever runs inside that loop must leave the window in place until the outermost handler
// has returned.
class MainController::CommandScope {
public:
    explicit CommandScope(MainController &controller) : m_controller(controller)
    {
        ++m_controller.m_commandDepth;
    }
    ~CommandScope()
    {
        if (--m_controller.m_commandDepth == 0)
            Q_EMIT m_controller.commandEnded();
    }
    CommandScope(const CommandScope &) = delete;
    CommandScope &operator=(const CommandScope &) = delete;

private:
    MainController &m_controller;
};

MainController::MainController(modDeclarations &declarations, const AppPaths &paths,
                               std::unique_ptr<SaxComm> comm, MainSurface &surface,
                               Prompter &prompter, WindowHost &windows, QObject *parent)
    : QObject(parent),
      m_declarations(declarations),
      m_paths(paths),
      m_comm(std::move(comm)),
      m_unit(*m_comm),
      m_surface(surface),
      m_prompter(prompter),
      m_windows(windows),
      m_context{declarations, *m_comm, m_unit, surface, prompter, m_strData, m_timers, m_random,
                m_unitBusy}
{
    m_unit.setReplySink(&m_strData);
    // The timers' design states: only Timer2 runs when the window is created.
    const struct {
        QTimer *timer;
        int intervalMs;
        void (MainController::*handler)();
    } timers[] = {
        {&m_timers.Timer1, 100, &MainController::Timer1_Timer},
        {&m_timers.Timer2, 2000, &MainController::Timer2_Timer},
        {&m_timers.Timer3, 1000, &MainController::Timer3_Timer},
        {&m_timers.Timer4, 500, &MainController::Timer4_Timer},
        {&m_timers.Timer5, 1500, &MainController::Timer5_Timer},
    };
    for (const auto &t : timers) {
        t.timer->setInterval(t.intervalMs);
        connect(t.timer, &QTimer::timeout, this, t.handler);
    }
    m_timers.Timer2.start();
}

MainController::~MainController()
{
    m_comm->PortOpen(false);
    m_comm->takeError();
}

void MainController::Form_Load()
{
    const CommandScope scope(*this);
    m_declarations.SelectedLocation = 0;
    m_surface.addModeItems({QStringLiteral("Stack"), QStringLiteral("Interrupt")});
    QStringList delays;
    for (int seconds = 0; seconds <= 9; ++seconds)
        delays << QString::number(seconds);
    m_surface.addDelayItems(delays);
    for (int i = 0; i < LocationCount; ++i)
        m_surface.setBarWidth(i, 0);
    m_random.seed(static_cast<quint32>(QDateTime::currentMSecsSinceEpoch()));
    m_declarations.LocationCapacity = 1048576;

    if (m_declarations.AutoSearchPending) {
        m_timers.Timer2.stop();
        m_timers.Timer3.start();
        m_declarations.AutoSearchPending = false;
        return;
    }
    connectionCheck();
}

void MainController::unload()
{
    m_unloaded = true;
    for (QTimer *timer : {&m_timers.Timer1, &m_timers.Timer2, &m_timers.Timer3, &m_timers.Timer4,
                          &m_timers.Timer5})
        timer->stop();
    m_comm->PortOpen(false);
    m_comm->takeError();
}

void MainController::connectionCheck()
{
    SaxComm &comm = *m_comm;
    comm.PortNumber(m_declarations.CommPort);
    comm.PortOpen(true);
    if (!comm.PortOpen()) {
        comm.takeError();
        m_timers.Timer2.stop();
        m_prompter.message(QStringLiteral("Communications Error, check Com Port!"));
        m_surface.setStatus(QStringLiteral("Communication Error!"));
        m_timers.Timer5.start();
        return;
    }
    // A fault of the component ends the load where it happens. Timer2 stays on: the directory
    // read two seconds later fails the ordinary way.
    const UnitResult identified = m_unit.identify(m_declarations.BaudRate);
    if (identified.ok())
        return;
    if (identified.status == UnitStatus::CommFailed) {
        m_prompter.message(QStringLiteral("Comm Port not available!"));
        return;
    }
    m_timers.Timer2.stop();
    m_prompter.message(QStringLiteral("Tavix not connected!"));
    m_surface.setStatus(QStringLiteral("Communication Error!"));
    m_timers.Timer5.start();
}

void MainController::Timer1_Timer()
{
    const CommandScope scope(*this);
    m_timers.Timer1.stop();
}

void MainController::Timer2_Timer()
{
    const CommandScope scope(*this);
    // Another command holds the unit: the timer stays on and tries again at its next tick.
    if (m_unitBusy)
        return;
    m_timers.Timer2.stop();
    cmdDirectory_Click();
    optLoc_Click(0);
    m_surface.selectLocation(0);
    m_surface.focusDirectory();
}

void MainController::Timer3_Timer()
{
    const CommandScope scope(*this);
    m_timers.Timer3.stop();
    m_windows.showSerialSearch();
}

void MainController::Timer4_Timer()
{
    const CommandScope scope(*this);
    m_playback.Timer4_Timer(m_context);
}

void MainController::Timer5_Timer()
{
    const CommandScope scope(*this);
    m_timers.Timer5.stop();
    m_windows.showSerialSet();
}

void MainController::optLoc_Click(int index)
{
    const CommandScope scope(*this);
    if (index < 0 || index >= LocationCount)
        return;
    m_declarations.SelectedLocation = static_cast<qint16>(index);
}

void MainController::txtMsg_Click(int index)
{
    const CommandScope scope(*this);
    if (index < 0 || index >= LocationCount)
        return;
    optLoc_Click(index);
    m_surface.selectLocation(index);
}

void MainController::cmdDirectory_Click()
{
    const CommandScope scope(*this);
    DirectoryCommand::cmdDirectory_Click(m_context);
}

void MainController::cmdChange_Click()
{
    const CommandScope scope(*this);
    UpdateCommand(m_context, m_paths.waveDir, m_overflowPrompt).run();
}

void MainController::cmdErase_Click()
{
    const CommandScope scope(*this);
    Erase::cmdErase_Click(m_context);
}

void MainController::cmdPlay_Click()
{
    const CommandScope scope(*this);
    m_playback.cmdPlay_Click(m_context);
}

void MainController::cmdAbort_Click()
{
    const CommandScope scope(*this);
    // The Update command waiting for the overflow dialog holds the unit; Stop ends that wait
    // as Cancel would, or the window would turn idle while its buttons are still refused.
    if (m_overflowPrompt)
        m_overflowPrompt->cancelOverflow();
    m_playback.cmdAbort_Click(m_context);
}

void MainController::cmdExit_Click()
{
    const CommandScope scope(*this);
    m_windows.exitProgram();
}

void MainController::cmbMode_Click()
{
    const CommandScope scope(*this);
    ModeDelay::cmbMode_Click(m_context);
}

void MainController::cmbDelay_Click(int index)
{
    const CommandScope scope(*this);
    ModeDelay::cmbDelay_Click(m_context, index);
}

void MainController::mnuFileOpen_Click()
{
    const CommandScope scope(*this);
    cmdChange_Click();
}

void MainController::mnuFileExit_Click()
{
    const CommandScope scope(*this);
    m_windows.exitProgram();
}

void MainController::mnuToolsSetup_Click()
{
    const CommandScope scope(*this);
    // Refused like the other entries that lead to the unit while a command holds it.
    if (m_unitBusy)
        return;
    m_windows.showSerialSet();
}

void MainController::mnuToolsMfg_Click()
{
    const CommandScope scope(*this);
    Diagnostics::mnuToolsMfg_Click(m_context);
}

void MainController::mnuToolsErase_Click()
{
    const CommandScope scope(*this);
    Erase::mnuToolsErase_Click(m_context);
}

void MainController::mnuToolsRead_Click()
{
    const CommandScope scope(*this);
    Diagnostics::mnuToolsRead_Click(m_context);
}

void MainController::mnuToolsClear_Click()
{
    const CommandScope scope(*this);
    Diagnostics::mnuToolsClear_Click(m_context);
}

void MainController::mnuHelpAbout_Click()
{
    const CommandScope scope(*this);
    m_windows.showAbout();
}

void MainController::mnuHelpHelp_Click()
{
    const CommandScope scope(*this);
    m_windows.showHelp();
}
