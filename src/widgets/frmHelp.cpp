#include "widgets/frmHelp.h"

#include "settings/HelpText.h"
#include "commands/HelpWindowText.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmHelp::frmHelp(const QString &helpFile, Prompter &prompter, QWidget *parent)
    : QWidget(parent), m_helpFile(helpFile), m_prompter(prompter)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Help"));
    resize(620, 480);
    auto *column = new QVBoxLayout(this);

    txtScript = new QPlainTextEdit(HelpInitialText, this);
    txtScript->setObjectName(QStringLiteral("txtScript"));
    txtScript->setReadOnly(true);
    txtScript->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Falls back to the system's sans-serif face where the named one is missing.
    QFont arial(QStringLiteral("Arial"));
    arial.setStyleHint(QFont::SansSerif);
    arial.setPointSizeF(8.25);
    txtScript->setFont(arial);
    column->addWidget(txtScript);

    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose, &QPushButton::clicked, this, &frmHelp::cmdClose_Click);
    column->addWidget(cmdClose, 0, Qt::AlignRight);

    setTabOrder(txtScript, cmdClose);
}

void frmHelp::Form_Load()
{
    QString text = helpWindowText(m_helpFile, m_prompter);
    // A text box breaks lines at CR LF, a lone LF or a lone CR alike; the plain text editor
    // knows only LF and would show a CR as a stray mark.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    txtScript->setPlainText(text);
}

void frmHelp::cmdClose_Click()
{
    Q_EMIT unloadRequested();
}

void frmHelp::closeEvent(QCloseEvent *event)
{
    event->accept();
    Q_EMIT unloadRequested();
}
