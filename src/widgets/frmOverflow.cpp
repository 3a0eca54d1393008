#include "widgets/frmOverflow.h"

#include "settings/Declarations.h"
#include "commands/OverflowTexts.h"
#include "widgets/CentreOnScreen.h"
#include "widgets/Twips.h"
#include "widgets/WindowFont.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>

frmOverflow::frmOverflow(modDeclarations &declarations, int location,
    std::function<void()> answered, std::function<void()> exitProgram, QWidget *parent)
    : QMainWindow(parent)
    , m_declarations(declarations)
    , m_location(location)
    , m_answered(std::move(answered))
    , m_exitProgram(std::move(exitProgram))
{
    setObjectName(QStringLiteral("frmOverflow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Wave File Overflow"));

    QMenu *mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    QAction *mnuFileClose = mnuFile->addAction(QStringLiteral("&Close"));
    mnuFileClose->setObjectName(QStringLiteral("mnuFileClose"));
    QAction *mnuFileExit = mnuFile->addAction(QStringLiteral("&Exit"));
    mnuFileExit->setObjectName(QStringLiteral("mnuFileExit"));
    connect(mnuFileClose, &QAction::triggered, this, &frmOverflow::mnuFileClose_Click);
    connect(mnuFileExit, &QAction::triggered, this, &frmOverflow::mnuFileExit_Click);

    auto *body = new QWidget(this);
    body->setFont(compactWindowFont(body->font()));
    body->setFixedSize(twipsToPixels(4260), twipsToPixels(3000));
    setCentralWidget(body);

    constexpr int LabelHeight = 780;  // twips
    const auto label = [body](const char *name, const QString &text, int top) {
        auto *l = new QLabel(text, body);
        l->setObjectName(QString::fromLatin1(name));
        l->setWordWrap(true);
        // Taller than the buttons beside them (down to the next row's top), so that the three
        // lines these texts take are all shown.
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        l->setGeometry(twipsRect(240, top, 2055, LabelHeight));
        return l;
    };
    const auto button = [body](const char *name, const QString &text, int top) {
        auto *b = new QPushButton(text, body);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(twipsRect(2520, top, 1215, 375));
        return b;
    };
    lblDescription = label("lblDescription", QStringLiteral("This is a line"), 360);
    cmdProceed = button("cmdProceed", QStringLiteral("Proceed"), 360);
    lblConvert = label("lblConvert", QStringLiteral("This is a line"), 1200);
    cmdConvert = button("cmdConvert", QStringLiteral("Down Sample"), 1200);
    lblCancel = label(
        "lblCancel", QStringLiteral("Cancel this operation and return to the main screen"), 2040);
    cmdCancel = button("cmdCancel", QStringLiteral("Cancel"), 2040);
    // Labels take no focus; the buttons follow in the window's order.
    setTabOrder(cmdProceed, cmdConvert);
    setTabOrder(cmdConvert, cmdCancel);

    connect(cmdProceed, &QPushButton::clicked, this, &frmOverflow::cmdProceed_Click);
    connect(cmdConvert, &QPushButton::clicked, this, &frmOverflow::cmdConvert_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOverflow::cmdCancel_Click);

    Form_Load();
}

void frmOverflow::Form_Load()
{
    const OverflowTexts texts = overflowTexts(m_declarations.DataSize, m_declarations.SampleRate,
        m_location, m_declarations.LocationCapacity);
    if (texts.proceedShown) {
        lblDescription->setText(texts.description);
    } else {
        cmdProceed->hide();
        lblDescription->hide();
    }
    if (texts.convertShown) {
        lblConvert->setText(texts.convert);
    } else {
        cmdConvert->hide();
        lblConvert->hide();
    }
    for (QPushButton *first : { cmdProceed, cmdConvert, cmdCancel }) {
        if (!first->isHidden()) {
            first->setFocus();
            break;
        }
    }
}

void frmOverflow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_centred)
        return;
    m_centred = true;
    centreOnScreen(this);
}

void frmOverflow::answer(const QString &choice)
{
    if (m_done)
        return;
    m_done = true;
    if (!choice.isEmpty())
        m_declarations.OverflowChoice = choice;
    close();
    if (m_answered)
        m_answered();
}

void frmOverflow::cmdProceed_Click()
{
    answer(QStringLiteral("Proceed"));
}

void frmOverflow::cmdConvert_Click()
{
    if (m_done)
        return;
    chooseDownSample(m_declarations);
    answer(QString());
}

void frmOverflow::cmdCancel_Click()
{
    answer(QStringLiteral("Cancel"));
}

void frmOverflow::mnuFileClose_Click()
{
    cmdCancel_Click();
}

void frmOverflow::mnuFileExit_Click()
{
    // The program ends with the Update command still waiting: no choice is made.
    m_done = true;
    if (m_exitProgram)
        m_exitProgram();
}

void frmOverflow::closeEvent(QCloseEvent *event)
{
    // The window's own close control answers as the File menu's Close does.
    if (!m_done) {
        m_done = true;
        m_declarations.OverflowChoice = QStringLiteral("Cancel");
        QMainWindow::closeEvent(event);
        if (m_answered)
            m_answered();
        return;
    }
    QMainWindow::closeEvent(event);
}
