#pragma once

#include "settings/AppPaths.h"
#include "settings/Declarations.h"
#include "commands/Prompter.h"
#include "commands/WindowHost.h"
#include "widgets/frmAbout.h"
#include "widgets/frmHelp.h"
#include "widgets/frmMain1.h"
#include "widgets/frmSerialSearch.h"
#include "widgets/frmSerialSet.h"
#include "widgets/frmSignOn.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class SaxComm;
class StartUp;

// The running program: its state, its files, its dialogs and the single instance of each
// window. It ends when the user exits or when no window is left.
class Program : public QObject, public WindowHost {
    Q_OBJECT
public:
    using CommFactory = std::function<std::unique_ptr<SaxComm>()>;

    // Without a prompter, message boxes and dialogs are Qt's own.
    Program(const AppPaths &paths, CommFactory commFactory, std::unique_ptr<Prompter> prompter = {});
    ~Program() override;

    // Opens the sign-on window, whose timer carries on with the start-up.
    void start();

    void showMainWindow() override;
    void reloadMainWindow() override;
    bool mainWindowLoaded() const override;
    // Each shows the program's single instance of its window, loading it when it is not loaded.
    void showSerialSet() override;
    void showSerialSearch() override;
    void showHelp() override;
    void showAbout() override;
    void exitProgram() override;

    modDeclarations &declarations() { return m_declarations; }
    const AppPaths &paths() const { return m_paths; }
    Prompter &prompter() { return *m_prompter; }
    frmMain1 *mainWindow() const { return m_main; }
    frmSignOn *signOnWindow() const { return m_signOn; }
    frmSerialSet *serialSetWindow() const { return m_serialSet; }
    frmSerialSearch *serialSearchWindow() const { return m_serialSearch; }
    frmHelp *helpWindow() const { return m_help; }
    frmAbout *aboutWindow() const { return m_about; }
    bool exiting() const { return m_exiting; }

private:
    // Runs a reload that was asked for while a command of the main window ran.
    void reloadWhenAsked();
    void unloadMainWindow();
    void unloadSignOn();
    void quitWhenNoWindowLeft();
    // Hides the window and deletes it once the handler that asked has returned.
    template <typename Window>
    void unloadWindow(QPointer<Window> &slot, Window *window);
    template <typename Window>
    static void bringToFront(Window *window);
    // The single instance of a window: made by `make` and loaded when there is none, then
    // brought to the front.
    template <typename Window, typename Make>
    void showSingle(QPointer<Window> &slot, Make make);

    modDeclarations m_declarations;
    AppPaths m_paths;
    CommFactory m_commFactory;
    std::unique_ptr<Prompter> m_prompter;
    std::unique_ptr<StartUp> m_startUp;
    QPointer<frmSignOn> m_signOn;
    QPointer<frmMain1> m_main;
    QPointer<frmSerialSet> m_serialSet;
    QPointer<frmSerialSearch> m_serialSearch;
    QPointer<frmHelp> m_help;
    QPointer<frmAbout> m_about;
    bool m_exiting = false;
    bool m_reloadPending = false;
};
