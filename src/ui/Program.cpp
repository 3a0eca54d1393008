#include "ui/Program.h"

#include "app/StartUp.h"
#include "link/SaxComm.h"
#include "ui/QtPrompter.h"
#include "ui/frmMain1.h"
#include "ui/frmSignOn.h"

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
    // The main window's controller closes the port.
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
    unloadMainWindow();
    showMainWindow();
}

bool Program::mainWindowLoaded() const
{
    return !m_main.isNull();
}

void Program::showSerialSet()
{
    // The port selection dialog comes with its own work.
}

void Program::showSerialSearch()
{
    // The automatic port search comes with its own work.
}

void Program::showHelp()
{
    // The instructions window comes with its own work.
}

void Program::showAbout()
{
    // The about window comes with its own work.
}

void Program::exitProgram()
{
    m_exiting = true;
    unloadMainWindow();
    unloadSignOn();
    // Ends every event loop, the nested ones of open message boxes included.
    QCoreApplication::exit(0);
}

void Program::unloadMainWindow()
{
    if (!m_main)
        return;
    frmMain1 *window = m_main;
    m_main.clear();
    // The port closes now; the widget goes once the handler that asked has returned.
    window->unload();
    window->deleteLater();
}

void Program::unloadSignOn()
{
    if (!m_signOn)
        return;
    frmSignOn *window = m_signOn;
    m_signOn.clear();
    window->hide();
    window->deleteLater();
    quitWhenNoWindowLeft();
}

void Program::quitWhenNoWindowLeft()
{
    if (!m_main && !m_signOn)
        QCoreApplication::exit(0);
}
