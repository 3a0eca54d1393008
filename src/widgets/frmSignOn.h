#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;
class StartUp;

// The sign-on window. Two seconds after it opens, its timer hands over to the start-up, which
// reads the settings and opens the next window; then it asks to be unloaded.
class frmSignOn : public QWidget {
    Q_OBJECT
public:
    explicit frmSignOn(StartUp &startUp, QWidget *parent = nullptr);

    // What the timer runs, once.
    void tmrSignOn_Timer();
    // Stops the timer and hides the window; the owner deletes it later.
    void unload();

Q_SIGNALS:
    // The start-up has opened the next window (or none); the owner now unloads this one.
    void unloadRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    StartUp &m_startUp;
    QTimer tmrSignOn;
    bool m_centred = false;

    QLabel *lblVersion = nullptr;
    QLabel *lblCompany = nullptr;
    QLabel *lblCpyright = nullptr;
    QLabel *lblType = nullptr;
    QLabel *lblFor = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *imgLogo = nullptr;
};
