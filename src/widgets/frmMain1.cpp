#include "widgets/frmMain1.h"

#include "commands/MainController.h"
#include "commands/Palette.h"
#include "link/SaxComm.h"
#include "widgets/LockableComboBox.h"
#include "widgets/OverflowWindowPrompt.h"
#include "widgets/Twips.h"
#include "widgets/WindowFont.h"
#include "widgets/CentreOnScreen.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace {

// The client area below the menu bar, in twips.
constexpr int ClientWidth = 11100;
constexpr int ClientHeight = 5325;

// Twips between one location row and the next, and the top of the first.
constexpr int FirstRowTop = 840;
constexpr int RowPitch = 360;

QColor toColor(Rgb rgb)
{
    return QColor::fromRgb(static_cast<QRgb>(rgb));
}

template <typename Widget>
Widget *place(Widget *widget, QAnyStringView name, int left, int top, int width, int height)
{
    widget->setObjectName(name);
    widget->setGeometry(twipsRect(left, top, width, height));
    return widget;
}

QGroupBox *makeFrame(QWidget *parent, const char *name, const QString &title, int left, int top,
                     int width, int height)
{
    auto *frame = place(new QGroupBox(title, parent), name, left, top, width, height);
    QFont bold = frame->font();
    bold.setBold(true);
    frame->setFont(bold);
    return frame;
}

// Controls inside a frame take the window's plain font, not the frame title's bold one.
template <typename Widget>
Widget *plain(Widget *widget, QFont font)
{
    // Set explicitly, or the frame's bold would be inherited.
    font.setBold(false);
    widget->setFont(font);
    return widget;
}

QPushButton *makeButton(QWidget *frame, const QFont &font, const char *name, const QString &caption,
                        const QString &tip, int left, int top, int width, int height)
{
    auto *button = plain(place(new QPushButton(caption, frame), name, left, top, width, height), font);
    button->setToolTip(tip);
    return button;
}

QLabel *makeLabel(QWidget *frame, const QFont &font, const char *name, const QString &caption,
                  int left, int top, int width, int height)
{
    auto *label = plain(place(new QLabel(caption, frame), name, left, top, width, height), font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

// Adding to an empty list would show its first item; the box keeps its text until the unit is
// read.
void addItemsKeepingText(LockableComboBox *box, const QStringList &items)
{
    const QString shown = box->currentText();
    box->addItems(items);
    box->setCurrentIndex(-1);
    box->setShownText(shown);
    // Its laid-out width cuts "Interrupt" short in common desktop fonts: the box grows to the
    // right until its widest item shows whole.
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    if (box->sizeHint().width() > box->width())
        box->resize(box->sizeHint().width(), box->height());
}

}  // namespace

frmMain1::frmMain1(modDeclarations &declarations, const AppPaths &paths,
                   std::unique_ptr<SaxComm> comm, Prompter &prompter, WindowHost &windows,
                   QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain1"));
    setWindowTitle(QStringLiteral("Tavix Message Manager"));
    const QFont windowFont = compactWindowFont(font());
    setFont(windowFont);

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twipsToPixels(ClientWidth), twipsToPixels(ClientHeight));
    setCentralWidget(client);

    buildOptionsFrame(client);
    buildOperationFrame(client);
    buildDirectoryFrame(client);
    buildMenus();
    setKeyboardOrder();
    setFixedSize(sizeHint());

    m_controller = std::make_unique<MainController>(declarations, paths, std::move(comm), *this,
                                                    prompter, windows);
    m_overflowPrompt = std::make_unique<OverflowWindowPrompt>(windows);
    m_controller->setOverflowPrompt(m_overflowPrompt.get());
}

frmMain1::~frmMain1() = default;

void frmMain1::buildOptionsFrame(QWidget *client)
{
    fraOptions = makeFrame(client, "fraOptions", QStringLiteral("Options"), 6000, 360, 4695, 1935);
    const QFont font = this->font();

    cmbDelay0 = plain(place(new LockableComboBox(fraOptions), "cmbDelay0", 3240, 1200, 510, 315), font);
    cmbDelay0->setProperty("index", 0);
    cmbDelay0->setToolTip(QStringLiteral("Memory Location 1 Delay Before Playback"));
    connect(cmbDelay0, &QComboBox::activated, this, [this] { m_controller->cmbDelay_Click(0); });

    cmbMode = plain(place(new LockableComboBox(fraOptions), "cmbMode", 2880, 600, 975, 315), font);
    cmbMode->setToolTip(QStringLiteral("Tavix Playback Mode"));
    connect(cmbMode, &QComboBox::activated, this, [this] { m_controller->cmbMode_Click(); });

    lblDelay = makeLabel(fraOptions, font, "lblDelay", QStringLiteral("Trigger Delay (Sec.)"), 840,
                         1200, 1575, 255);
    lblMode = makeLabel(fraOptions, font, "lblMode", QStringLiteral("Chime/Message Mode"), 840, 600,
                        1695, 255);
}

void frmMain1::buildOperationFrame(QWidget *client)
{
    frmOperation =
        makeFrame(client, "frmOperation", QStringLiteral("Operation"), 6000, 2760, 4695, 2175);
    frmOperation->setToolTip(QStringLiteral("Operate the Tavix remotely"));
    const QFont font = this->font();

    cmdExit = makeButton(frmOperation, font, "cmdExit", QStringLiteral("Exit"),
                         QStringLiteral("Exit the program"), 3120, 1440, 1215, 375);
    connect(cmdExit, &QPushButton::clicked, this, [this] { m_controller->cmdExit_Click(); });

    cmdAbort = makeButton(frmOperation, font, "cmdAbort", QStringLiteral("Stop"),
                          QStringLiteral("Stop the current playback"), 1680, 1440, 1215, 375);
    cmdAbort->setEnabled(false);
    connect(cmdAbort, &QPushButton::clicked, this, [this] { m_controller->cmdAbort_Click(); });

    cmdPlay = makeButton(frmOperation, font, "cmdPlay", QStringLiteral("Play"),
                         QStringLiteral("Play the selected Memory Location"), 240, 1440, 1215, 375);
    connect(cmdPlay, &QPushButton::clicked, this, [this] { m_controller->cmdPlay_Click(); });

    lblStatus = makeLabel(frmOperation, font, "lblStatus", QString(), 360, 650, 3855, 495);

    // Over the status line; an upload shows it in place of the status text.
    prbLoading = plain(place(new QProgressBar(frmOperation), "prbLoading", 400, 650, 3855, 375), font);
    prbLoading->setRange(0, 100);
    prbLoading->setValue(0);
    prbLoading->setTextVisible(false);
    prbLoading->hide();
}

void frmMain1::buildDirectoryFrame(QWidget *client)
{
    fraMessage = makeFrame(client, "fraMessage", QStringLiteral("Directory"), 360, 360, 5175, 4575);
    fraMessage->setToolTip(QStringLiteral("Tavix Memory Contents"));
    const QFont font = this->font();

    for (int i = 0; i < LocationCount; ++i) {
        const int top = FirstRowTop + RowPitch * i;
        const auto rowName = [i](const char *control) -> QString { return QLatin1String(control) + QString::number(i); };

        auto *selector = new QRadioButton(QString::number(i + 1), fraMessage);
        optLoc[i] = plain(place(selector, rowName("optLoc"), 600, top, 495, 255), font);
        selector->setProperty("index", i);
        // clicked() comes from the user only (mouse, space, arrow keys within the group),
        // never from selectLocation().
        connect(selector, &QRadioButton::clicked, this, [this, i] { m_controller->optLoc_Click(i); });

        auto *name = new QLineEdit(fraMessage);
        txtMsg[i] = plain(place(name, rowName("txtMsg"), 1320, top, 2055, 315), font);
        name->setProperty("index", i);
        name->setReadOnly(true);
        name->setFocusPolicy(Qt::ClickFocus);
        name->setToolTip(QStringLiteral("Memory Location %1 Contents").arg(i + 1));
        name->installEventFilter(this);

        // The outline first, so that the bar is drawn over it.
        auto *outline = new QFrame(fraMessage);
        shpFrame[i] = place(outline, rowName("shpFrame"), 3720, top, 795, 315);
        outline->setFrameShape(QFrame::Box);
        outline->setFrameShadow(QFrame::Plain);
        outline->setLineWidth(1);
        outline->setProperty("index", i);

        auto *bar = new QFrame(fraMessage);
        shpFill[i] = place(bar, rowName("shpFill"), 3720, top, 795, 315);
        bar->setFrameShape(QFrame::Box);
        bar->setFrameShadow(QFrame::Plain);
        bar->setLineWidth(1);
        bar->setAutoFillBackground(true);
        bar->setProperty("index", i);
        setBarColor(i, ::palette[static_cast<std::size_t>(i)]);
        m_barTwips[i] = 795;
    }
    optLoc[0]->setChecked(true);

    cmdChange = makeButton(fraMessage, font, "cmdChange", QStringLiteral("Update"),
                           QStringLiteral("Send a wave file to the selected Memory Location"), 3360,
                           3960, 1215, 345);
    connect(cmdChange, &QPushButton::clicked, this, [this] { m_controller->cmdChange_Click(); });

    cmdErase = makeButton(fraMessage, font, "cmdErase", QStringLiteral("Erase"),
                          QStringLiteral("Erase the selected Memory Location"), 1920, 3960, 1215, 345);
    connect(cmdErase, &QPushButton::clicked, this, [this] { m_controller->cmdErase_Click(); });

    cmdDirectory = makeButton(fraMessage, font, "cmdDirectory", QStringLiteral("Refresh"),
                              QStringLiteral("Request a Directory Update"), 480, 3960, 1215, 345);
    connect(cmdDirectory, &QPushButton::clicked, this, [this] { m_controller->cmdDirectory_Click(); });

    Label1 = makeLabel(fraMessage, font, "Label1", QStringLiteral(" Memory Location"), 480, 360, 615, 495);
    // Its leading blank and "Memory" are a pixel or two wider than the heading's 615 twips in
    // the window's font; one pixel smaller, nothing is cut off.
    QFont headingFont = Label1->font();
    headingFont.setPixelSize(font.pixelSize() - 1);
    Label1->setFont(headingFont);
    lblSize = makeLabel(fraMessage, font, "lblSize", QStringLiteral("Memory   Usage"), 3840, 360, 615, 400);
    lblTitle = makeLabel(fraMessage, font, "lblTitle", QStringLiteral("File Name"), 1850, 480, 1095, 255);
}

void frmMain1::buildMenus()
{
    const auto addEntry = [this](QMenu *menu, const char *name, const QString &caption,
                                 void (MainController::*handler)()) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, [this, handler] { (m_controller.get()->*handler)(); });
        return action;
    };

    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileOpen = addEntry(mnuFile, "mnuFileOpen", QStringLiteral("&Open"), &MainController::mnuFileOpen_Click);
    mnuFileExit = addEntry(mnuFile, "mnuFileExit", QStringLiteral("&Exit"), &MainController::mnuFileExit_Click);

    mnuTools = menuBar()->addMenu(QStringLiteral("&Tools"));
    mnuTools->setObjectName(QStringLiteral("mnuTools"));
    mnuToolsSetup = addEntry(mnuTools, "mnuToolsSetup", QStringLiteral("&Select Com Port"),
                             &MainController::mnuToolsSetup_Click);
    mnuToolsMfg = addEntry(mnuTools, "mnuToolsMfg", QStringLiteral("&Part ID"), &MainController::mnuToolsMfg_Click);
    mnuToolsErase = addEntry(mnuTools, "mnuToolsErase", QStringLiteral("&Erase All"),
                             &MainController::mnuToolsErase_Click);
    mnuToolsRead = addEntry(mnuTools, "mnuToolsRead", QStringLiteral("&Read"), &MainController::mnuToolsRead_Click);
    mnuToolsClear = addEntry(mnuTools, "mnuToolsClear", QStringLiteral("&Clear Com"),
                             &MainController::mnuToolsClear_Click);
    // Toggled by the action itself; the upload reads the mark when it needs it.
    mnuToolsAutoreduce = mnuTools->addAction(QStringLiteral("&Auto Reduce"));
    mnuToolsAutoreduce->setObjectName(QStringLiteral("mnuToolsAutoreduce"));
    mnuToolsAutoreduce->setCheckable(true);
    mnuToolsAutoreduce->setChecked(true);

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpAbout = addEntry(mnuHelp, "mnuHelpAbout", QStringLiteral("&About"), &MainController::mnuHelpAbout_Click);
    mnuHelpHelp = addEntry(mnuHelp, "mnuHelpHelp", QStringLiteral("&Instructions"),
                           &MainController::mnuHelpHelp_Click);
}

void frmMain1::setKeyboardOrder()
{
    QList<QWidget *> order{cmdDirectory};
    for (QRadioButton *selector : optLoc)
        order << selector;
    order << cmdErase << cmdChange << cmdPlay << cmdAbort << cmdExit << cmbMode << cmbDelay0;
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void frmMain1::Form_Load()
{
    m_controller->Form_Load();
}

void frmMain1::unload()
{
    m_unloading = true;
    m_controller->unload();
    hide();
}

void frmMain1::closeEvent(QCloseEvent *event)
{
    if (m_unloading) {
        event->accept();
        return;
    }
    // The close control is Exit: the program ends, which unloads this window.
    event->ignore();
    m_controller->mnuFileExit_Click();
}

void frmMain1::showEvent(QShowEvent *event)
{
    if (!m_centred) {
        m_centred = true;
        centreOnScreen(this);
    }
    QMainWindow::showEvent(event);
}

bool frmMain1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        for (int i = 0; i < LocationCount; ++i) {
            if (watched == txtMsg[i] && mouse->button() == Qt::LeftButton &&
                txtMsg[i]->rect().contains(mouse->position().toPoint())) {
                m_controller->txtMsg_Click(i);
                break;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain1::setStatus(const QString &text)
{
    lblStatus->setText(text);
}

QString frmMain1::status() const
{
    return lblStatus->text();
}

void frmMain1::setMessageText(int index, const QString &text)
{
    if (validIndex(index))
        txtMsg[index]->setText(text);
}

QString frmMain1::messageText(int index) const
{
    return validIndex(index) ? txtMsg[index]->text() : QString();
}

void frmMain1::setBarWidth(int index, int twips)
{
    if (!validIndex(index))
        return;
    twips = qMax(0, twips);
    m_barTwips[index] = twips;
    QFrame *bar = shpFill[index];
    bar->resize(twipsToPixels(twips), bar->height());
    bar->setVisible(bar->width() > 0);
}

int frmMain1::barWidth(int index) const
{
    return validIndex(index) ? m_barTwips[index] : 0;
}

void frmMain1::setBarColor(int index, Rgb colour)
{
    if (!validIndex(index))
        return;
    m_barColours[index] = colour;
    QPalette colours = shpFill[index]->palette();
    colours.setColor(QPalette::Window, toColor(colour));
    colours.setColor(QPalette::WindowText, Qt::black);
    shpFill[index]->setPalette(colours);
}

Rgb frmMain1::barColor(int index) const
{
    return validIndex(index) ? m_barColours[index] : 0;
}

void frmMain1::addModeItems(const QStringList &items)
{
    addItemsKeepingText(cmbMode, items);
}

void frmMain1::addDelayItems(const QStringList &items)
{
    addItemsKeepingText(cmbDelay0, items);
}

void frmMain1::setModeText(const QString &text)
{
    cmbMode->setShownText(text);
}

QString frmMain1::modeText() const
{
    return cmbMode->currentText();
}

void frmMain1::setDelayText(const QString &text)
{
    cmbDelay0->setShownText(text);
}

QString frmMain1::delayText() const
{
    return cmbDelay0->currentText();
}

void frmMain1::setAbortEnabled(bool enabled)
{
    cmdAbort->setEnabled(enabled);
}

bool frmMain1::abortEnabled() const
{
    return cmdAbort->isEnabled();
}

void frmMain1::setProgressVisible(bool visible)
{
    prbLoading->setVisible(visible);
}

void frmMain1::setProgressValue(int percent)
{
    prbLoading->setValue(qBound(0, percent, 100));
}

void frmMain1::setBusy(bool busy)
{
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
    for (QPushButton *button : {cmdChange, cmdDirectory, cmdExit, cmdPlay, cmdErase})
        button->setEnabled(!busy);
    cmdAbort->setEnabled(busy);
    cmbDelay0->setLocked(busy);
    cmbMode->setLocked(busy);
}

void frmMain1::SetBusyControls()
{
    setBusy(true);
}

void frmMain1::SetIdleControls()
{
    setBusy(false);
}

void frmMain1::selectLocation(int index)
{
    if (validIndex(index))
        optLoc[index]->setChecked(true);
}

void frmMain1::focusDirectory()
{
    cmdDirectory->setFocus();
}

bool frmMain1::autoReduceChecked() const
{
    return mnuToolsAutoreduce->isChecked();
}

void frmMain1::setUnitCommandsEnabled(bool enabled)
{
    for (QAction *entry : {mnuFileOpen, mnuToolsSetup, mnuToolsMfg, mnuToolsErase, mnuToolsRead, mnuToolsClear})
        entry->setEnabled(enabled);
}

bool frmMain1::letEventsRun()
{
    QCoreApplication::processEvents();
    return !m_unloading;
}
