#pragma once

#include "settings/AppPaths.h"
#include "commands/CommandContext.h"
#include "commands/Playback.h"
#include "protocol/TavixUnit.h"

#include <QObject>

#include <memory>

struct modDeclarations;
class SaxComm;
class MainSurface;
class Prompter;
class WindowHost;
class OverflowPrompt;

// The logic of the main window frmMain1: its load with the connection check, its timers and
// the handlers of its buttons and menus. The window owns one and forwards every event to it;
// tests drive it with a recording surface and the simulated unit.
class MainController : public QObject {
    Q_OBJECT
public:
    // The controller owns the serial component: one per loaded main window, closed when the
    // window unloads.
    MainController(modDeclarations &declarations, const AppPaths &paths,
                   std::unique_ptr<SaxComm> comm, MainSurface &surface, Prompter &prompter,
                   WindowHost &windows, QObject *parent = nullptr);
    ~MainController() override;

    void Form_Load();

    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer4_Timer();
    void Timer5_Timer();

    void optLoc_Click(int index);
    void txtMsg_Click(int index);

    void cmdDirectory_Click();
    void cmdChange_Click();
    void cmdErase_Click();
    void cmdPlay_Click();
    void cmdAbort_Click();
    void cmdExit_Click();
    void cmbMode_Click();
    void cmbDelay_Click(int index);

    void mnuFileOpen_Click();
    void mnuFileExit_Click();
    void mnuToolsSetup_Click();
    void mnuToolsMfg_Click();
    void mnuToolsErase_Click();
    void mnuToolsRead_Click();
    void mnuToolsClear_Click();
    void mnuHelpAbout_Click();
    void mnuHelpHelp_Click();

    // True while one of the handlers above runs, a message box, dialog or other nested event
    // loop of it included: nothing may delete the window meanwhile.
    bool commandRunning() const { return m_commandDepth > 0; }
    // The window is going: its timers stop and its port closes at once. The controller itself
    // lives on until its running handler, if any, has returned.
    void unload();
    bool unloaded() const { return m_unloaded; }

    SaxComm &comm() { return *m_comm; }
    // The session over comm(); its replies are kept in strData().
    TavixUnit &unit() { return m_unit; }
    MainTimers &timers() { return m_timers; }
    const QByteArray &strData() const { return m_strData; }
    CommandContext &context() { return m_context; }
    const AppPaths &paths() const { return m_paths; }
    // The overflow dialog of the Update command; the window sets it.
    void setOverflowPrompt(OverflowPrompt *prompt) { m_overflowPrompt = prompt; }

Q_SIGNALS:
    // The outermost running handler is returning; the window may go once it has.
    void commandEnded();

private:
    class CommandScope;
    void connectionCheck();

    modDeclarations &m_declarations;
    AppPaths m_paths;
    std::unique_ptr<SaxComm> m_comm;
    TavixUnit m_unit;
    MainSurface &m_surface;
    Prompter &m_prompter;
    WindowHost &m_windows;
    MainTimers m_timers;
    QByteArray m_strData;
    QRandomGenerator m_random;
    bool m_unitBusy = false;
    bool m_unloaded = false;
    int m_commandDepth = 0;
    OverflowPrompt *m_overflowPrompt = nullptr;
    CommandContext m_context;
    Playback m_playback;
};
