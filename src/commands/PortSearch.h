#pragma once

#include "settings/AppPaths.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

struct modDeclarations;
class MainController;
class Prompter;
class SearchSurface;
class TavixUnit;
class WindowHost;

// The logic of the port search window frmSerialSearch. It tries the ports 1 to 255 in turn on
// the main window's serial component until a unit answers the identification probe, and two
// seconds later stores that port and loads the main window again on it.
class PortSearch : public QObject {
    Q_OBJECT
public:
    // The main window is watched, not owned: when it is unloaded while the search runs (another
    // port was applied meanwhile), the search ends quietly instead of using its gone component.
    PortSearch(modDeclarations &declarations, const AppPaths &paths, MainController *mainWindow,
               SearchSurface &surface, Prompter &prompter, WindowHost &windows,
               QObject *parent = nullptr);

    void Form_Load();
    // The search itself, once, 2000 ms after the load.
    void Timer1_Timer();
    // The hand-over, 2000 ms after a find.
    void Timer2_Timer();
    // Takes no part in the search.
    void cmdGo_Click() {}
    // The window is closed by the user: whatever is under way stops where it stands. Inside
    // the search the window is unloaded once the port being tried is closed again.
    void cancel();
    // Whether the search runs on this main window; false once that window is unloaded.
    bool searchesOn(const MainController *mainWindow) const;

    QTimer &timer1() { return m_timer1; }
    QTimer &timer2() { return m_timer2; }
    // True inside Timer1_Timer, while ports are being tried.
    // True while one of the timer handlers runs (it may be waiting in a message box); the
    // window must outlive it.
    bool handling() const { return m_handlers > 0; }

Q_SIGNALS:
    // A timer handler has returned.
    void handlerReturned();

private:
    class Handling;
    enum class Try { NoAnswer, Found };
    Try tryPort(TavixUnit &unit);
    // The window counts as gone from its unload on: its deletion may come much later.
    bool mainWindowGone() const;

    modDeclarations &m_declarations;
    AppPaths m_paths;
    QPointer<MainController> m_mainWindow;
    SearchSurface &m_surface;
    Prompter &m_prompter;
    WindowHost &m_windows;
    QTimer m_timer1;
    QTimer m_timer2;
    bool m_searching = false;
    int m_handlers = 0;
    bool m_cancelled = false;
};
