#pragma once

#include "commands/PortSelection.h"
#include "settings/AppPaths.h"

#include <QMainWindow>
#include <QTimer>

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
// each number stands for on this computer and what the system says of it, Apply and Cancel, and
// Pin, which keeps the chosen adapter on its number. While open, the list follows adapters
// being plugged in and out, and the choice follows the adapter the user picked.
class frmSerialSet : public QMainWindow {
    Q_OBJECT
public:
    frmSerialSet(modDeclarations &declarations, const AppPaths &paths, Prompter &prompter,
                 WindowHost &windows, const PortSystem &system = PortSystem::host(),
                 QWidget *parent = nullptr);

    void Form_Load();
    // Asks the system for its ports again; the timer does it twice a second.
    void refreshPorts();
    QTimer &portTimer() { return m_portTimer; }

    void cmdApply_Click();
    void cmdCancel_Click();
    void cmdPin_Click();
    void mnuFileClose_Click();
    void mnuFileExit_Click();

Q_SIGNALS:
    // The window is done; its owner unloads it.
    void unloadRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The list's rows as the selection last read the ports.
    void fillPorts();
    // What the system says of the number in the list's text, under the list.
    void showDevice();
    // The user chose or typed a text.
    void picked(const QString &text);

    PortSelection m_selection;
    QTimer m_portTimer;
    // A click that arrives while Apply's message box or the main window's load is still
    // running must not apply a second time.
    bool m_applying = false;

    QGroupBox *fraPort = nullptr;
    QComboBox *cmbCommPort = nullptr;
    QStandardItemModel *m_ports = nullptr;
    QLabel *lblDevice = nullptr;
    QPushButton *cmdPin = nullptr;
    QPushButton *cmdApply = nullptr;
    QPushButton *cmdCancel = nullptr;
    QMenu *mnuFile = nullptr;
    QAction *mnuFileClose = nullptr;
    QAction *mnuFileExit = nullptr;
};
