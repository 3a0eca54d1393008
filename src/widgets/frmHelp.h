#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;
class Prompter;

// The instructions window "Help": help.txt, read whole when the window loads.
class frmHelp : public QWidget {
    Q_OBJECT
public:
    frmHelp(const QString &helpFile, Prompter &prompter, QWidget *parent = nullptr);

    void Form_Load();
    void cmdClose_Click();

Q_SIGNALS:
    // The window is done; its owner unloads it.
    void unloadRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QString m_helpFile;
    Prompter &m_prompter;

    QPlainTextEdit *txtScript = nullptr;
    QPushButton *cmdClose = nullptr;
};
