#include "commands/PortSearch.h"

#include "commands/CommandContext.h"
#include "settings/Declarations.h"
#include "commands/MainController.h"
#include "commands/MainSurface.h"
#include "settings/NumberRules.h"
#include "commands/Prompter.h"
#include "commands/SearchSurface.h"
#include "settings/Settings.h"
#include "commands/WindowHost.h"
#include "protocol/TavixUnit.h"
#include "link/PortMap.h"
#include "link/SaxComm.h"

// Counts a running timer handler and tells when it has returned.
class PortSearch::Handling {
public:
    explicit Handling(PortSearch &search) : m_search(search) { ++m_search.m_handlers; }
    ~Handling()
    {
        --m_search.m_handlers;
        Q_EMIT m_search.handlerReturned();
    }
    Handling(const Handling &) = delete;
    Handling &operator=(const Handling &) = delete;

private:
    PortSearch &m_search;
};

PortSearch::PortSearch(modDeclarations &declarations, const AppPaths &paths,
                       MainController *mainWindow, SearchSurface &surface, Prompter &prompter,
                       WindowHost &windows, QObject *parent)
    : QObject(parent),
      m_declarations(declarations),
      m_paths(paths),
      m_mainWindow(mainWindow),
      m_surface(surface),
      m_prompter(prompter),
      m_windows(windows)
{
    m_timer1.setInterval(2000);
    m_timer2.setInterval(2000);
    connect(&m_timer1, &QTimer::timeout, this, &PortSearch::Timer1_Timer);
    connect(&m_timer2, &QTimer::timeout, this, &PortSearch::Timer2_Timer);
}

void PortSearch::Form_Load()
{
    m_declarations.CommPort = 1;
    m_surface.setPortText(QStringLiteral("1"));
    m_timer1.start();
}

bool PortSearch::mainWindowGone() const
{
    return m_mainWindow.isNull() || m_mainWindow->unloaded();
}

bool PortSearch::searchesOn(const MainController *mainWindow) const
{
    return !mainWindowGone() && m_mainWindow.data() == mainWindow;
}

void PortSearch::cancel()
{
    m_cancelled = true;
    m_timer1.stop();
    m_timer2.stop();
}

void PortSearch::Timer1_Timer()
{
    const Handling handling(*this);
    m_timer1.stop();
    if (m_cancelled)
        return;
    if (mainWindowGone()) {
        m_surface.unload();
        return;
    }
    // A command of the main window that is waiting for the unit lies below this tick on the
    // stack and cannot finish before the tick returns; try again once it has.
    if (m_mainWindow->context().unitBusy) {
        m_timer1.start();
        return;
    }

    m_searching = true;
    while (m_declarations.CommPort <= LastPortNumber) {
        m_surface.setPortText(QString::number(m_declarations.CommPort));
        m_surface.letEventsRun();
        if (m_cancelled)
            break;
        if (mainWindowGone()) {
            m_searching = false;
            m_surface.unload();
            return;
        }
        if (tryPort(m_mainWindow->unit()) == Try::Found) {
            m_searching = false;
            m_surface.setSearchText(QStringLiteral("Tavix Found!"));
            m_timer2.start();
            return;
        }
        ++m_declarations.CommPort;
    }
    m_searching = false;
    if (m_cancelled) {
        // The window was closed while ports were tried; it goes once this tick has returned.
        m_surface.unload();
        return;
    }

    m_prompter.message(QStringLiteral("Cannot Find Tavix, make sure unit is conected!"));
    if (!mainWindowGone())
        m_mainWindow->context().surface.setStatus(
            QStringLiteral("Communication Error, check connections!"));
    m_surface.unload();
}

PortSearch::Try PortSearch::tryPort(TavixUnit &unit)
{
    SaxComm &comm = unit.comm();
    // No events run inside one try, so the main window cannot go away under it; the guard keeps
    // the main window's own commands off the line meanwhile.
    UnitWork work(m_mainWindow->context());
    Try result = Try::NoAnswer;
    comm.PortNumber(m_declarations.CommPort);
    comm.PortOpen(true);
    // A port that is missing or in use fails here at once and costs no wait.
    if (!comm.takeError() && comm.PortOpen()
        && unit.identify(m_declarations.BaudRate).ok())
        result = Try::Found;
    // The found port stays open for the main window's component.
    if (result == Try::NoAnswer && comm.PortOpen())
        comm.PortOpen(false);
    comm.takeError();
    return result;
}

void PortSearch::Timer2_Timer()
{
    const Handling handling(*this);
    m_timer2.stop();
    if (m_cancelled)
        return;
    // Another port was applied since the find: that later choice stands.
    if (mainWindowGone()) {
        m_surface.unload();
        return;
    }
    // The user may have typed another number meanwhile. A text that names no port, 1 to 255,
    // keeps the port that answered.
    if (const auto typed = readPortChoice(m_surface.portText()))
        m_declarations.CommPort = *typed;
    if (!writeSettings(m_paths.settingsFile,
                       Settings{m_declarations.BaudRate, m_declarations.CommPort})) {
        // The main window keeps the found port open on its component.
        m_prompter.message(QStringLiteral("Setup file error"));
        m_surface.unload();
        return;
    }
    m_windows.reloadMainWindow();
    m_surface.unload();
}
