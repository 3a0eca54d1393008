#pragma once

#include "app/AppPaths.h"
#include "app/Declarations.h"
#include "app/Prompter.h"
#include "app/WindowHost.h"
#include "ui/frmMain1.h"
#include "ui/frmSignOn.h"

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
    // Windows of later work; they open nothing yet.
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
    bool exiting() const { return m_exiting; }

private:
    void unloadMainWindow();
    void unloadSignOn();
    void quitWhenNoWindowLeft();

    modDeclarations m_declarations;
    AppPaths m_paths;
    CommFactory m_commFactory;
    std::unique_ptr<Prompter> m_prompter;
    std::unique_ptr<StartUp> m_startUp;
    QPointer<frmSignOn> m_signOn;
    QPointer<frmMain1> m_main;
    bool m_exiting = false;
};
