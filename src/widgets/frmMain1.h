#pragma once

#include "settings/AppPaths.h"
#include "settings/Declarations.h"
#include "commands/MainSurface.h"

#include <QMainWindow>

#include <array>
#include <memory>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class LockableComboBox;
class MainController;
class OverflowWindowPrompt;
class Prompter;
class SaxComm;
class WindowHost;

// The main window: the eight location rows, mode and delay, the Play / Stop / Exit buttons, the
// status line and the menus. Every event goes to the MainController it owns; the window itself
// does no I/O.
class frmMain1 : public QMainWindow, public MainSurface {
    Q_OBJECT
public:
    frmMain1(modDeclarations &declarations, const AppPaths &paths, std::unique_ptr<SaxComm> comm,
             Prompter &prompter, WindowHost &windows, QWidget *parent = nullptr);
    ~frmMain1() override;

    void Form_Load();
    // Stops the timers, closes the port at once and hides the window; the caller deletes it
    // later, so that a handler of this window that is still running can return safely.
    void unload();

    MainController &controller() { return *m_controller; }

    // MainSurface
    void setStatus(const QString &text) override;
    QString status() const override;
    void setMessageText(int index, const QString &text) override;
    QString messageText(int index) const override;
    void setBarWidth(int index, int twips) override;
    int barWidth(int index) const override;
    void setBarColor(int index, Rgb colour) override;
    Rgb barColor(int index) const override;
    void addModeItems(const QStringList &items) override;
    void addDelayItems(const QStringList &items) override;
    void setModeText(const QString &text) override;
    QString modeText() const override;
    void setDelayText(const QString &text) override;
    QString delayText() const override;
    void setAbortEnabled(bool enabled) override;
    bool abortEnabled() const override;
    void setProgressVisible(bool visible) override;
    void setProgressValue(int percent) override;
    void SetBusyControls() override;
    void SetIdleControls() override;
    void selectLocation(int index) override;
    void focusDirectory() override;
    bool autoReduceChecked() const override;
    void setUnitCommandsEnabled(bool enabled) override;
    bool letEventsRun() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildOptionsFrame(QWidget *client);
    void buildOperationFrame(QWidget *client);
    void buildDirectoryFrame(QWidget *client);
    void buildMenus();
    void setKeyboardOrder();
    void setBusy(bool busy);
    static bool validIndex(int index) { return index >= 0 && index < LocationCount; }

    std::unique_ptr<OverflowWindowPrompt> m_overflowPrompt;
    std::unique_ptr<MainController> m_controller;
    bool m_unloading = false;
    bool m_centred = false;

    QGroupBox *fraOptions = nullptr;
    LockableComboBox *cmbDelay0 = nullptr;
    LockableComboBox *cmbMode = nullptr;
    QLabel *lblDelay = nullptr;
    QLabel *lblMode = nullptr;

    QGroupBox *frmOperation = nullptr;
    QPushButton *cmdExit = nullptr;
    QPushButton *cmdAbort = nullptr;
    QPushButton *cmdPlay = nullptr;
    QProgressBar *prbLoading = nullptr;
    QLabel *lblStatus = nullptr;

    QGroupBox *fraMessage = nullptr;
    std::array<QRadioButton *, LocationCount> optLoc{};
    QPushButton *cmdChange = nullptr;
    QPushButton *cmdErase = nullptr;
    QPushButton *cmdDirectory = nullptr;
    std::array<QLineEdit *, LocationCount> txtMsg{};
    QLabel *Label1 = nullptr;
    QLabel *lblSize = nullptr;
    QLabel *lblTitle = nullptr;
    std::array<QFrame *, LocationCount> shpFill{};
    std::array<QFrame *, LocationCount> shpFrame{};
    std::array<int, LocationCount> m_barTwips{};
    std::array<Rgb, LocationCount> m_barColours{};

    QMenu *mnuFile = nullptr;
    QAction *mnuFileOpen = nullptr;
    QAction *mnuFileExit = nullptr;
    QMenu *mnuTools = nullptr;
    QAction *mnuToolsSetup = nullptr;
    QAction *mnuToolsMfg = nullptr;
    QAction *mnuToolsErase = nullptr;
    QAction *mnuToolsRead = nullptr;
    QAction *mnuToolsClear = nullptr;
    QAction *mnuToolsAutoreduce = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuHelpAbout = nullptr;
    QAction *mnuHelpHelp = nullptr;
};
