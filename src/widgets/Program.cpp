#include "widgets/Program.h"

#include "commands/MainController.h"
#include "commands/StartUp.h"
#include "link/SaxComm.h"
#include "widgets/QtPrompter.h"
#include "widgets/frmMain1.h"
#include "widgets/frmSignOn.h"

#include <QGuiApplication>

Program::Program(const AppPaths &paths, CommFactory commFactory, std::unique_ptr<Prompter> prompter)
    : m_paths(paths),
      m_commFactory(std::move(commFactory)),
      m_prompter(prompter ? std::move(prompter) : std::make_unique<QtPrompter>()),
      m_startUp(std::make_unique<StartUp>(m_declarations, m_paths, *m_prompter, *this))
{
    // Qt would also end the program when a message box closes while no other window is shown
    // (between unloading and reloading the main window); the program decides that itself.
    QGuiApplication::setQuitOnLastWindowClosed(false);
}

Program::~Program()
{
    // The search drives the main window's component, so it goes first; the main window's
    // controller closes the port.
    delete m_serialSearch.data();
    delete m_serialSet.data();
    delete m_help.data();
    delete m_about.data();
    delete m_main.data();
    delete m_signOn.data();
}

void Program::start()
{
    if (m_signOn)
        return;
    m_signOn = new frmSignOn(*m_startUp);
    connect(m_signOn, &frmSignOn::unloadRequested, this, &Program::unloadSignOn);
    m_signOn->show();
}

void Program::showMainWindow()
{
    if (m_exiting)
        return;
    if (!m_main) {
        m_main = new frmMain1(m_declarations, m_paths, m_commFactory(), *m_prompter, *this);
        // Keep this load's window in hand: a handler run from inside the load may already
        // have replaced it.
        const QPointer<frmMain1> loading = m_main;
        loading->Form_Load();
        if (m_exiting || !loading || loading != m_main)
            return;
    }
    m_main->show();
}

void Program::reloadMainWindow()
{
    if (m_exiting)
        return;
    // A command of the window lies below this call, waiting in a nested event loop: the window
    // must outlive it, and a new one must not talk to the unit in the middle of its exchanges.
    // The reload comes once that command has returned to the event loop, however often it was
    // asked for meanwhile.
    if (m_main && m_main->controller().commandRunning()) {
        if (!m_reloadPending)
            connect(&m_main->controller(), &MainController::commandEnded, this,
                    &Program::reloadWhenAsked,
                    Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        m_reloadPending = true;
        return;
    }
    m_reloadPending = false;
    unloadMainWindow();
    showMainWindow();
}

void Program::reloadWhenAsked()
{
    if (!m_reloadPending)
        return;
    m_reloadPending = false;
    reloadMainWindow();
}

bool Program::mainWindowLoaded() const
{
    return !m_main.isNull();
}

template <typename Window>
void Program::bringToFront(Window *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

template <typename Window, typename Make>
void Program::showSingle(QPointer<Window> &slot, Make make)
{
    if (!slot) {
        slot = make();
        connect(slot, &Window::unloadRequested, this,
                [this, &slot, window = slot.data()] { unloadWindow(slot, window); });
        slot->Form_Load();
    }
    bringToFront(slot.data());
}

template <typename Window>
void Program::unloadWindow(QPointer<Window> &slot, Window *window)
{
    if (slot == window)
        slot.clear();
    window->hide();
    window->deleteLater();
    quitWhenNoWindowLeft();
}

void Program::showSerialSet()
{
    if (m_exiting)
        return;
    showSingle(m_serialSet,
               [this] { return new frmSerialSet(m_declarations, m_paths, *m_prompter, *this); });
}

void Program::showSerialSearch()
{
    if (m_exiting || !m_main)
        return;
    MainController *mainWindow = &m_main->controller();
    // A search left over from a main window that has been unloaded since would end at its next
    // step without a word; the search asked for now is on the present one.
    if (m_serialSearch && !m_serialSearch->search().searchesOn(mainWindow)) {
        frmSerialSearch *stale = m_serialSearch;
        m_serialSearch.clear();
        stale->unload();
    }
    showSingle(m_serialSearch, [this, mainWindow] {
        return new frmSerialSearch(m_declarations, m_paths, mainWindow, *m_prompter, *this);
    });
}

void Program::showHelp()
{
    if (m_exiting)
        return;
    showSingle(m_help, [this] { return new frmHelp(m_paths.helpFile, *m_prompter); });
}

void Program::showAbout()
{
    if (m_exiting)
        return;
    showSingle(m_about, [] { return new frmAbout; });
}

void Program::exitProgram()
{
    m_exiting = true;
    unloadMainWindow();
    unloadSignOn();
    // The search window goes once its running handler, if any, has returned.
    if (m_serialSearch)
        m_serialSearch->unload();
    if (m_serialSet)
        unloadWindow(m_serialSet, m_serialSet.data());
    if (m_help)
        unloadWindow(m_help, m_help.data());
    if (m_about)
        unloadWindow(m_about, m_about.data());
    // Ends every event loop, the nested ones of open message boxes included.
    QCoreApplication::exit(0);
}

void Program::unloadMainWindow()
{
    if (!m_main)
        return;
    frmMain1 *window = m_main;
    m_main.clear();
    // The port closes now; the widget goes once the handler that asked has returned, or when
    // the window's own command, waiting under that handler, has returned too.
    window->unload();
    if (window->controller().commandRunning())
        connect(&window->controller(), &MainController::commandEnded, window,
                &QObject::deleteLater);
    else
        window->deleteLater();
}

void Program::unloadSignOn()
{
    if (!m_signOn)
        return;
    frmSignOn *window = m_signOn;
    m_signOn.clear();
    // Exit may come before the timer has fired; it must not start the program again.
    window->unload();
    window->deleteLater();
    quitWhenNoWindowLeft();
}

void Program::quitWhenNoWindowLeft()
{
    // After the answer Yes at start-up the port selection is the only window.
    if (!m_main && !m_signOn && !m_serialSet && !m_serialSearch && !m_help && !m_about)
        QCoreApplication::exit(0);
}
