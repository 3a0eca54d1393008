#pragma once

#include "settings/AppPaths.h"
#include "commands/PortSelection.h"

#include <QMainWindow>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QStandardItemModel;
struct modDeclarations;
class Prompter;
class WindowHost;

// The port selection window "Com Port Selection": the list "Auto", "1" to "255" with the device
// each number stands for on this computer, Apply and Cancel.
class frmSerialSet : public QMainWindow {
    Q_OBJECT
public:
    frmSerialSet(modDeclarations &declarations, const AppPaths &paths, Prompter &prompter,
                 WindowHost &windows, QWidget *parent = nullptr);

    void Form_Load();

    void cmdApply_Click();
    void cmdCancel_Click();
    void mnuFileClose_Click();
    void mnuFileExit_Click();

Q_SIGNALS:
    // The window is done; its owner unloads it.
    void unloadRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The device of the number in the list's text, under the list.
    void showDevice();

    PortSelection m_selection;
    AppPaths m_paths;
    // A click that arrives while Apply's message box or the main window's load is still
    // running must not apply a second time.
    bool m_applying = false;

    QGroupBox *fraPort = nullptr;
    QComboBox *cmbCommPort = nullptr;
    QStandardItemModel *m_ports = nullptr;
    QLabel *lblDevice = nullptr;
    QPushButton *cmdApply = nullptr;
    QPushButton *cmdCancel = nullptr;
    QMenu *mnuFile = nullptr;
    QAction *mnuFileClose = nullptr;
    QAction *mnuFileExit = nullptr;
};
