#include "widgets/frmSerialSearch.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmSerialSearch::frmSerialSearch(modDeclarations &declarations, const AppPaths &paths,
                                 MainController *mainWindow, Prompter &prompter,
                                 WindowHost &windows, QWidget *parent)
    : QWidget(parent), m_search(declarations, paths, mainWindow, *this, prompter, windows)
{
    setObjectName(QStringLiteral("frmSerialSearch"));
    setWindowTitle(QStringLiteral("Communication Port Search"));
    auto *column = new QVBoxLayout(this);

    lblSearch = new QLabel(QStringLiteral("Searching for Com Port  -  -  - "), this);
    lblSearch->setObjectName(QStringLiteral("lblSearch"));
    lblSearch->setAlignment(Qt::AlignCenter);
    // Falls back to the system's sans-serif face where the named one is missing.
    QFont bold(QStringLiteral("MS Sans Serif"));
    bold.setStyleHint(QFont::SansSerif);
    bold.setPointSizeF(9.75);
    bold.setBold(true);
    lblSearch->setFont(bold);
    column->addWidget(lblSearch);

    txtPort = new QLineEdit(this);
    txtPort->setObjectName(QStringLiteral("txtPort"));
    txtPort->setAlignment(Qt::AlignCenter);
    txtPort->setMaximumWidth(80);
    column->addWidget(txtPort, 0, Qt::AlignHCenter);

    cmdGo = new QPushButton(QStringLiteral("Go"), this);
    cmdGo->setObjectName(QStringLiteral("cmdGo"));
    connect(cmdGo, &QPushButton::clicked, this, [this] { m_search.cmdGo_Click(); });
    column->addWidget(cmdGo, 0, Qt::AlignHCenter);

    setMinimumWidth(300);

    connect(&m_search, &PortSearch::handlerReturned, this, [this] {
        if (m_unloadPending && !m_search.handling())
            Q_EMIT unloadRequested();
    });
}

void frmSerialSearch::Form_Load()
{
    m_search.Form_Load();
}

void frmSerialSearch::setPortText(const QString &text)
{
    txtPort->setText(text);
}

QString frmSerialSearch::portText() const
{
    return txtPort->text();
}

void frmSerialSearch::setSearchText(const QString &text)
{
    lblSearch->setText(text);
}

void frmSerialSearch::letEventsRun()
{
    QCoreApplication::processEvents();
}

void frmSerialSearch::unload()
{
    m_search.cancel();
    hide();
    m_unloadPending = true;
    if (!m_search.handling())
        Q_EMIT unloadRequested();
}

void frmSerialSearch::closeEvent(QCloseEvent *event)
{
    event->accept();
    unload();
}
