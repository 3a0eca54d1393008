#pragma once

#include "settings/AppPaths.h"
#include "commands/PortSearch.h"
#include "commands/SearchSurface.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
struct modDeclarations;
class MainController;
class Prompter;
class WindowHost;

// The port search window "Communication Port Search": the number being tried and the outcome.
// The search itself runs in its PortSearch on the main window's serial component.
class frmSerialSearch : public QWidget, public SearchSurface {
    Q_OBJECT
public:
    frmSerialSearch(modDeclarations &declarations, const AppPaths &paths, MainController *mainWindow,
                    Prompter &prompter, WindowHost &windows, QWidget *parent = nullptr);

    void Form_Load();
    PortSearch &search() { return m_search; }

    // SearchSurface
    void setPortText(const QString &text) override;
    QString portText() const override;
    void setSearchText(const QString &text) override;
    void letEventsRun() override;
    void unload() override;

Q_SIGNALS:
    // The window is done and none of its handlers is running; its owner deletes it.
    void unloadRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    PortSearch m_search;
    // Unloading waits until no handler of the search is left on the stack.
    bool m_unloadPending = false;

    QPushButton *cmdGo = nullptr;
    QLineEdit *txtPort = nullptr;
    QLabel *lblSearch = nullptr;
};
