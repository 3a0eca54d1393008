#pragma once

#include <QMainWindow>

#include <functional>

struct modDeclarations;
class QLabel;
class QPushButton;

// "Wave File Overflow": asks what to do with a message that needs more than one location.
// Shown not modal; every choice sets OverflowChoice, tells the waiting command and unloads the
// window, which is made anew for every showing.
class frmOverflow : public QMainWindow {
    Q_OBJECT
public:
    frmOverflow(modDeclarations &declarations, int location, std::function<void()> answered,
        std::function<void()> exitProgram, QWidget *parent = nullptr);

    void cmdProceed_Click();
    void cmdConvert_Click();
    void cmdCancel_Click();
    void mnuFileClose_Click();
    void mnuFileExit_Click();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void answer(const QString &choice);

    modDeclarations &m_declarations;
    int m_location;
    std::function<void()> m_answered;
    std::function<void()> m_exitProgram;
    bool m_done = false;
    bool m_centred = false;

    QLabel *lblDescription;
    QLabel *lblConvert;
    QLabel *lblCancel;
    QPushButton *cmdProceed;
    QPushButton *cmdConvert;
    QPushButton *cmdCancel;
};
