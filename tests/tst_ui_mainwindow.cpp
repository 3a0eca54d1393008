#include "support/ProgramFixture.h"
#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "app/AppPaths.h"
#include "app/MainController.h"
#include "ui/LockableComboBox.h"
#include "ui/Program.h"
#include "ui/frmMain1.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

namespace {

template <typename T = QWidget>
T *control(QWidget *window, const QString &name)
{
    return window->findChild<T *>(name);
}

QString captionOf(QWidget *widget)
{
    if (auto *frame = qobject_cast<QGroupBox *>(widget))
        return frame->title();
    return widget->property("text").toString();
}

// What a target of the busy and idle tables looks like to the user.
QString stateOf(QWidget *window, const QString &target)
{
    if (target == u"pointer")
        return window->cursor().shape() == Qt::WaitCursor ? QStringLiteral("hourglass")
                                                          : QStringLiteral("normal");
    if (auto *entry = window->findChild<QAction *>(target))
        return entry->isEnabled() ? QStringLiteral("enabled") : QStringLiteral("disabled");
    QWidget *widget = control(window, target);
    if (!widget)
        return QStringLiteral("missing");
    if (auto *combo = qobject_cast<LockableComboBox *>(widget)) {
        if (!combo->isEnabled())
            return QStringLiteral("greyed");
        return combo->isLocked() ? QStringLiteral("locked") : QStringLiteral("unlocked");
    }
    return widget->isEnabled() ? QStringLiteral("enabled") : QStringLiteral("disabled");
}

}  // namespace

// The main window's widgets, through the program that owns it, on the simulated unit.
class tst_ui_mainwindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsAndTooltips_data();
    void captionsAndTooltips();
    void geometryInPixels_data();
    void geometryInPixels();
    void clientAreaAndCaption();
    void barsStartInTheirPaletteColours_data();
    void barsStartInTheirPaletteColours();
    void barWidthInTwips();
    void menuEntries_data();
    void menuEntries();
    void autoReduceToggles();
    void keyboardOrder();
    void busyAndIdleStates_data();
    void busyAndIdleStates();
    void lockedListRefusesTheUser();
    void unitCommandsGreyOut();
    void clickOnNameBoxSelectsItsRow();
    void clickOnSelectorSelectsItsRow();
    void opensWithLocationOneSelected();
    void reloadFillsTheListsOnce();
    void reloadFromInsideOwnHandler();
    void programTextSendsNothing();
    void progressBarCoversTheStatusLine();
    void exitEndsTheProgram_data();
    void exitEndsTheProgram();
};

void tst_ui_mainwindow::captionsAndTooltips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tooltip");
    const auto row = [](const char *name, const char *caption, const char *tooltip) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption)
                            << QString::fromLatin1(tooltip);
    };
    row("fraOptions", "Options", "");
    row("cmbDelay0", "", "Memory Location 1 Delay Before Playback");
    row("cmbMode", "", "Tavix Playback Mode");
    row("lblDelay", "Trigger Delay (Sec.)", "");
    row("lblMode", "Chime/Message Mode", "");
    row("frmOperation", "Operation", "Operate the Tavix remotely");
    row("cmdExit", "Exit", "Exit the program");
    row("cmdAbort", "Stop", "Stop the current playback");
    row("cmdPlay", "Play", "Play the selected Memory Location");
    row("lblStatus", "", "");
    row("fraMessage", "Directory", "Tavix Memory Contents");
    row("optLoc0", "1", "");
    row("optLoc7", "8", "");
    row("cmdChange", "Update", "Send a wave file to the selected Memory Location");
    row("cmdErase", "Erase", "Erase the selected Memory Location");
    row("cmdDirectory", "Refresh", "Request a Directory Update");
    row("txtMsg0", "", "Memory Location 1 Contents");
    row("txtMsg4", "", "Memory Location 5 Contents");
    row("txtMsg7", "", "Memory Location 8 Contents");
    row("Label1", " Memory Location", "");
    row("lblSize", "Memory   Usage", "");
    row("lblTitle", "File Name", "");
}

void tst_ui_mainwindow::captionsAndTooltips()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, tooltip);
    ProgramFixture fixture;
    frmMain1 *window = fixture.open();
    QWidget *widget = control(window, name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(captionOf(widget), caption);
    QCOMPARE(widget->toolTip(), tooltip);
}

void tst_ui_mainwindow::geometryInPixels_data()
{
    // Twips divided by 15, rounded; positions inside the containing frame.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("pixels");
    QTest::newRow("fraOptions") << QStringLiteral("fraOptions") << QStringLiteral("client") << QRect(400, 24, 313, 129);
    QTest::newRow("cmbDelay0") << QStringLiteral("cmbDelay0") << QStringLiteral("fraOptions") << QRect(216, 80, 34, 21);
    QTest::newRow("cmbMode") << QStringLiteral("cmbMode") << QStringLiteral("fraOptions") << QRect(192, 40, 65, 21);
    QTest::newRow("frmOperation") << QStringLiteral("frmOperation") << QStringLiteral("client") << QRect(400, 184, 313, 145);
    QTest::newRow("cmdExit") << QStringLiteral("cmdExit") << QStringLiteral("frmOperation") << QRect(208, 96, 81, 25);
    QTest::newRow("lblStatus") << QStringLiteral("lblStatus") << QStringLiteral("frmOperation") << QRect(24, 43, 257, 33);
    QTest::newRow("prbLoading") << QStringLiteral("prbLoading") << QStringLiteral("frmOperation") << QRect(27, 43, 257, 25);
    QTest::newRow("fraMessage") << QStringLiteral("fraMessage") << QStringLiteral("client") << QRect(24, 24, 345, 305);
    QTest::newRow("optLoc0 at 840") << QStringLiteral("optLoc0") << QStringLiteral("fraMessage") << QRect(40, 56, 33, 17);
    QTest::newRow("optLoc4 at 2280") << QStringLiteral("optLoc4") << QStringLiteral("fraMessage") << QRect(40, 152, 33, 17);
    QTest::newRow("txtMsg1 at 1200") << QStringLiteral("txtMsg1") << QStringLiteral("fraMessage") << QRect(88, 80, 137, 21);
    QTest::newRow("txtMsg7 at 3360") << QStringLiteral("txtMsg7") << QStringLiteral("fraMessage") << QRect(88, 224, 137, 21);
    QTest::newRow("shpFrame3 at 1920") << QStringLiteral("shpFrame3") << QStringLiteral("fraMessage") << QRect(248, 128, 53, 21);
    QTest::newRow("cmdDirectory") << QStringLiteral("cmdDirectory") << QStringLiteral("fraMessage") << QRect(32, 264, 81, 23);
    QTest::newRow("lblTitle") << QStringLiteral("lblTitle") << QStringLiteral("fraMessage") << QRect(123, 32, 73, 17);
}

void tst_ui_mainwindow::geometryInPixels()
{
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QRect, pixels);
    ProgramFixture fixture;
    frmMain1 *window = fixture.open();
    QWidget *widget = control(window, name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->parentWidget()->objectName(), container);
    QCOMPARE(widget->geometry(), pixels);
}

void tst_ui_mainwindow::clientAreaAndCaption()
{
    ProgramFixture fixture;
    frmMain1 *window = fixture.open();
    QCOMPARE(window->windowTitle(), QStringLiteral("Tavix Message Manager"));
    QCOMPARE(window->centralWidget()->size(), QSize(740, 355));
    QVERIFY(window->isVisible());
    // Centred on the screen it opened on.
    const QPoint screenCentre = window->screen()->availableGeometry().center();
    QVERIFY2((window->frameGeometry().center() - screenCentre).manhattanLength() <= 2,
             qPrintable(QStringLiteral("window centre is off the screen centre")));
    for (const char *frame : {"fraOptions", "frmOperation", "fraMessage"})
        QVERIFY(control(window, QLatin1String(frame))->font().bold());
    // The frames' bold title is not passed on to what they hold.
    QVERIFY(!control(window, QStringLiteral("cmdExit"))->font().bold());
    QVERIFY(!control(window, QStringLiteral("txtMsg0"))->font().bold());
}

void tst_ui_mainwindow::barsStartInTheirPaletteColours_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("red") << 0 << QColor(255, 0, 0);
    QTest::newRow("orange") << 1 << QColor(255, 128, 0);
    QTest::newRow("yellow") << 2 << QColor(255, 255, 0);
    QTest::newRow("green") << 3 << QColor(0, 255, 0);
    QTest::newRow("teal") << 4 << QColor(0, 192, 192);
    QTest::newRow("blue") << 5 << QColor(0, 0, 255);
    QTest::newRow("light blue") << 6 << QColor(128, 128, 255);
    QTest::newRow("magenta") << 7 << QColor(255, 0, 255);
}

void tst_ui_mainwindow::barsStartInTheirPaletteColours()
{
    QFETCH(int, index);
    QFETCH(QColor, colour);
    ProgramFixture fixture;
    frmMain1 *window = fixture.open();
    QCOMPARE(window->barColor(index), colour.rgb() & 0xFFFFFF);

    // What is on the screen: a full bar shows its colour over the outline.
    window->setBarWidth(index, 800);
    auto *outline = control(window, QStringLiteral("shpFrame%1").arg(index));
    const QImage picture = window->grab().toImage();
    const QPoint middle = outline->mapTo(window, outline->rect().center());
    QCOMPARE(QColor(picture.pixel(middle)), colour);
}

void tst_ui_mainwindow::barWidthInTwips()
{
    ProgramFixture fixture;
    frmMain1 *window = fixture.open();
    auto *bar = control(window, QStringLiteral("shpFill2"));
    // The load empties every bar.
    QCOMPARE(window->barWidth(2), 0);
    QVERIFY(bar->isHidden());

    window->setBarWidth(2, 400);
    QCOMPARE(window->barWidth(2), 400);
    QCOMPARE(bar->geometry(), QRect(248, 104, 27, 21));
    QVERIFY(!bar->isHidden());

    window->setBarWidth(2, 800);
    QCOMPARE(bar->width(), 53);
    window->setBarColor(2, 0x00C0C0);
    QCOMPARE(bar->palette().color(QPalette::Window), QColor(0, 192, 192));

    window->setBarWidth(2, 0);
    QVERIFY(bar->isHidden());
}

void tst_ui_mainwindow::menuEntries_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("menuCaption");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("caption");
    const auto row = [](const char *menu, const char *menuCaption, const char *entry, const char *caption) {
        QTest::newRow(entry) << QString::fromLatin1(menu) << QString::fromLatin1(menuCaption)
                             << QString::fromLatin1(entry) << QString::fromLatin1(caption);
    };
    row("mnuFile", "&File", "mnuFileOpen", "&Open");
    row("mnuFile", "&File", "mnuFileExit", "&Exit");
    row("mnuTools", "&Tools", "mnuToolsSetup", "&Select Com Port");
    row("mnuTools", "&Tools", "mnuToolsMfg", "&Part ID");
    row("mnuTools", "&Tools", "mnuToolsErase", "&Erase All");
    row("mnuTools", "&Tools", "mnuToolsRead", "&Read");
    row("mnuTools", "&Tools", "mnuToolsClear", "&Clear Com");
    row("mnuTools", "&Tools", "mnuToolsAutoreduce", "&Auto Reduce");
    row("mnuHelp", "&Help", "mnuHelpAbout", "&About");
    row("mnuHelp", "&Help", "mnuHelpHelp", "&Instructions");
}

void tst_ui_mainwindow::menuEntries()
{
    QFETCH(QString, menu);
    QFETCH(QString, menuCaption);
    QFETCH(QString, entry);
    QFETCH(QString, caption);
    ProgramFixture fixture;
    frmMain1 *window = fixture.open();
    auto *dropDown = window->findChild<QMenu *>(menu);
    QVERIFY(dropDown);
    QCOMPARE(dropDown->title(), menuCaption);
    auto *action = window->findChild<QAction *>(entry);
    QVERIFY(action);
    QCOMPARE(action->text(), caption);
    QVERIFY(dropDown->actions().contains(action));
    QVERIFY(action->isEnabled());
}

void tst_ui_mainwindow::autoReduceToggles()
{
    ProgramFixture fixture;
    frmMain1 *window = fixture.open();
    auto *autoReduce = window->findChild<QAction *>(QStringLiteral("mnuToolsAutoreduce"));
    QVERIFY(autoReduce->isCheckable());
    QVERIFY(window->autoReduceChecked());
    autoReduce->trigger();
    QVERIFY(!window->autoReduceChecked());
    autoReduce->trigger();
    QVERIFY(window->autoReduceChecked());
}

void tst_ui_mainwindow::keyboardOrder()
{
    ProgramFixture fixture;
    frmMain1 *window = fixture.open();
    const QStringList expected{
        QStringLiteral("cmdDirectory"), QStringLiteral("optLoc0"), QStringLiteral("optLoc1"),
        QStringLiteral("optLoc2"),      QStringLiteral("optLoc3"), QStringLiteral("optLoc4"),
        QStringLiteral("optLoc5"),      QStringLiteral("optLoc6"), QStringLiteral("optLoc7"),
        QStringLiteral("cmdErase"),     QStringLiteral("cmdChange"), QStringLiteral("cmdPlay"),
        QStringLiteral("cmdAbort"),     QStringLiteral("cmdExit"), QStringLiteral("cmbMode"),
        QStringLiteral("cmbDelay0")};

    // Every widget that Tab can reach, in the chain's order, starting at Refresh.
    QStringList chain;
    QWidget *start = control(window, expected.first());
    QWidget *widget = start;
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            // An editable list's text part belongs to its list.
            QWidget *owner = qobject_cast<QComboBox *>(widget->parentWidget()) ? widget->parentWidget() : widget;
            if (!owner->objectName().isEmpty() && !chain.contains(owner->objectName()))
                chain << owner->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != start);
    QCOMPARE(chain, expected);
}

void tst_ui_mainwindow::busyAndIdleStates_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("busy");
    QTest::addColumn<QString>("idle");
    const auto row = [](const char *target, const char *busy, const char *idle) {
        QTest::newRow(target) << QString::fromLatin1(target) << QString::fromLatin1(busy)
                              << QString::fromLatin1(idle);
    };
    row("pointer", "hourglass", "normal");
    row("cmdChange", "disabled", "enabled");
    row("cmdDirectory", "disabled", "enabled");
    row("cmdExit", "disabled", "enabled");
    row("cmdPlay", "disabled", "enabled");
    row("cmdErase", "disabled", "enabled");
    row("cmdAbort", "enabled", "disabled");
    row("cmbDelay0", "locked", "unlocked");
    row("cmbMode", "locked", "unlocked");
    // Left alone by both states, so the selection can change while an operation runs.
    row("optLoc0", "enabled", "enabled");
    row("optLoc5", "enabled", "enabled");
    row("txtMsg5", "enabled", "enabled");
    row("mnuFileExit", "enabled", "enabled");
    row("mnuToolsErase", "enabled", "enabled");
}

void tst_ui_mainwindow::busyAndIdleStates()
{
    QFETCH(QString, target);
    QFETCH(QString, busy);
    QFETCH(QString, idle);
    ProgramFixture fixture;
    frmMain1 *window = fixture.open();
    // The window opens in the idle state.
    QCOMPARE(stateOf(window, target), idle);
    window->SetBusyControls();
    QCOMPARE(stateOf(window, target), busy);
    window->SetIdleControls();
    QCOMPARE(stateOf(window, target), idle);
}

void tst_ui_mainwindow::lockedListRefusesTheUser()
{
    ProgramFixture fixture;
    frmMain1 *window = fixture.open();
    auto *mode = control<LockableComboBox>(window, QStringLiteral("cmbMode"));
    QSignalSpy picks(mode, &QComboBox::activated);

    window->SetBusyControls();
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_Down);
    QWheelEvent wheel(QPointF(5, 5), mode->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(mode, &wheel);
    QCOMPARE(picks.count(), 0);
    QCOMPARE(window->modeText(), QString());

    window->SetIdleControls();
    QTest::keyClick(mode, Qt::Key_Down);
    QCOMPARE(picks.count(), 1);
    QVERIFY(!window->modeText().isEmpty());
}

void tst_ui_mainwindow::unitCommandsGreyOut()
{
    ProgramFixture fixture;
    frmMain1 *window = fixture.open();
    const QStringList talking{QStringLiteral("mnuFileOpen"),   QStringLiteral("mnuToolsSetup"),
                              QStringLiteral("mnuToolsMfg"),   QStringLiteral("mnuToolsErase"),
                              QStringLiteral("mnuToolsRead"),  QStringLiteral("mnuToolsClear")};
    const QStringList others{QStringLiteral("mnuFileExit"), QStringLiteral("mnuToolsAutoreduce"),
                             QStringLiteral("mnuHelpAbout"), QStringLiteral("mnuHelpHelp")};
    window->setUnitCommandsEnabled(false);
    for (const QString &name : talking)
        QVERIFY2(stateOf(window, name) == u"disabled", qPrintable(name));
    for (const QString &name : others)
        QVERIFY2(stateOf(window, name) == u"enabled", qPrintable(name));
    window->setUnitCommandsEnabled(true);
    for (const QString &name : talking)
        QVERIFY2(stateOf(window, name) == u"enabled", qPrintable(name));
}

void tst_ui_mainwindow::clickOnNameBoxSelectsItsRow()
{
    ProgramFixture fixture;
    frmMain1 *window = fixture.open();
    QTest::mouseClick(control(window, QStringLiteral("txtMsg4")), Qt::LeftButton);
    QCOMPARE(fixture.program->declarations().SelectedLocation, 4);
    QVERIFY(control<QRadioButton>(window, QStringLiteral("optLoc4"))->isChecked());
    QVERIFY(!control<QRadioButton>(window, QStringLiteral("optLoc0"))->isChecked());
    // A name box is read-only: the click selects, it does not edit.
    QTest::keyClicks(control(window, QStringLiteral("txtMsg4")), QStringLiteral("xy"));
    QCOMPARE(window->messageText(4), QString());
}

void tst_ui_mainwindow::clickOnSelectorSelectsItsRow()
{
    ProgramFixture fixture;
    frmMain1 *window = fixture.open();
    QTest::mouseClick(control(window, QStringLiteral("optLoc6")), Qt::LeftButton);
    QCOMPARE(fixture.program->declarations().SelectedLocation, 6);
    // Selecting from the program moves the mark but is not a user's click.
    window->selectLocation(2);
    QVERIFY(control<QRadioButton>(window, QStringLiteral("optLoc2"))->isChecked());
    QCOMPARE(fixture.program->declarations().SelectedLocation, 6);
}

void tst_ui_mainwindow::opensWithLocationOneSelected()
{
    ProgramFixture fixture;
    fixture.program->declarations().SelectedLocation = 5;
    frmMain1 *window = fixture.open();
    QCOMPARE(fixture.program->declarations().SelectedLocation, 0);
    QVERIFY(control<QRadioButton>(window, QStringLiteral("optLoc0"))->isChecked());
    // The connection check passed: nothing shown, port open.
    QVERIFY(fixture.prompter->shown.isEmpty());
    QVERIFY(fixture.comm->PortOpen());
}

void tst_ui_mainwindow::reloadFillsTheListsOnce()
{
    ProgramFixture fixture;
    frmMain1 *first = fixture.open();
    SimComm *firstComm = fixture.comm;
    const QPointer<frmMain1> old = first;

    fixture.program->reloadMainWindow();
    // The old port closes at once, the old window goes once events run.
    QVERIFY(!firstComm->PortOpen());
    QVERIFY(old && !old->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!old);

    fixture.program->reloadMainWindow();
    frmMain1 *window = fixture.program->mainWindow();
    QVERIFY(window && window->isVisible());
    QVERIFY(fixture.comm->PortOpen());

    auto *mode = control<QComboBox>(window, QStringLiteral("cmbMode"));
    auto *delay = control<QComboBox>(window, QStringLiteral("cmbDelay0"));
    QStringList modeItems;
    for (int i = 0; i < mode->count(); ++i)
        modeItems << mode->itemText(i);
    QStringList delayItems;
    for (int i = 0; i < delay->count(); ++i)
        delayItems << delay->itemText(i);
    QCOMPARE(modeItems, (QStringList{QStringLiteral("Stack"), QStringLiteral("Interrupt")}));
    QCOMPARE(delayItems, (QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                                      QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
                                      QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"),
                                      QStringLiteral("9")}));
    // Filling the lists shows none of their items; the unit's values come later.
    QCOMPARE(window->modeText(), QString());
    QCOMPARE(window->delayText(), QString());
}

void tst_ui_mainwindow::reloadFromInsideOwnHandler()
{
    ProgramFixture fixture;
    frmMain1 *first = fixture.open();
    const QPointer<frmMain1> old = first;
    // A port window applying a new port reloads the main window from inside a handler.
    connect(control<QPushButton>(first, QStringLiteral("cmdDirectory")), &QPushButton::clicked,
            fixture.program.get(), [&] { fixture.program->reloadMainWindow(); });
    QTest::mouseClick(control(first, QStringLiteral("cmdDirectory")), Qt::LeftButton);
    QVERIFY(fixture.program->mainWindow() != old.data());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!old);
    QVERIFY(fixture.program->mainWindow()->isVisible());
}

void tst_ui_mainwindow::programTextSendsNothing()
{
    ProgramFixture fixture;
    frmMain1 *window = fixture.open();
    QSignalSpy modePicks(control<QComboBox>(window, QStringLiteral("cmbMode")), &QComboBox::activated);
    QSignalSpy delayPicks(control<QComboBox>(window, QStringLiteral("cmbDelay0")), &QComboBox::activated);
    fixture.comm->clearLine();

    window->setModeText(QStringLiteral("Interrupt"));
    window->setDelayText(QStringLiteral("12"));
    QCoreApplication::processEvents();

    QCOMPARE(window->modeText(), QStringLiteral("Interrupt"));
    // A value the list lacks is shown as it is.
    QCOMPARE(window->delayText(), QStringLiteral("12"));
    QCOMPARE(modePicks.count(), 0);
    QCOMPARE(delayPicks.count(), 0);
    QVERIFY(fixture.comm->line().isEmpty());
}

void tst_ui_mainwindow::progressBarCoversTheStatusLine()
{
    ProgramFixture fixture;
    frmMain1 *window = fixture.open();
    auto *progress = control<QProgressBar>(window, QStringLiteral("prbLoading"));
    auto *status = control<QLabel>(window, QStringLiteral("lblStatus"));
    QVERIFY(progress->isHidden());
    window->setStatus(QStringLiteral("Loading - - -"));
    QCOMPARE(status->text(), QStringLiteral("Loading - - -"));
    window->setProgressVisible(true);
    window->setProgressValue(55);
    QVERIFY(progress->isVisible());
    QCOMPARE(progress->value(), 55);
    QVERIFY(progress->geometry().intersects(status->geometry()));
    // Painted later than the label, so it lies on top of it.
    const QObjectList stack = progress->parentWidget()->children();
    QVERIFY(stack.indexOf(progress) > stack.indexOf(status));
}

void tst_ui_mainwindow::exitEndsTheProgram_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Exit button") << QStringLiteral("cmdExit");
    QTest::newRow("File, Exit") << QStringLiteral("mnuFileExit");
    QTest::newRow("close control") << QStringLiteral("close");
    QTest::newRow("from a nested event loop") << QStringLiteral("nested");
}

void tst_ui_mainwindow::exitEndsTheProgram()
{
    QFETCH(QString, how);
    const bool nestedLoop = how == u"nested";
    ProgramFixture fixture;
    fixture.program->start();
    frmMain1 *window = fixture.open();
    const QPointer<frmMain1> guard = window;
    const QPointer<QWidget> signOn = fixture.program->signOnWindow();
    SimComm *comm = fixture.comm;

    bool portOpenAfterExit = true;
    bool visibleAfterExit = true;
    bool signOnTimerAfterExit = true;
    int nestedResult = 0;
    const auto pressExit = [&] {
        if (how == u"cmdExit")
            QTest::mouseClick(control(window, how), Qt::LeftButton);
        else if (how == u"mnuFileExit")
            window->findChild<QAction *>(how)->trigger();
        else
            window->close();
        portOpenAfterExit = comm->PortOpen();
        visibleAfterExit = window->isVisible();
        signOnTimerAfterExit = signOn->findChild<QTimer *>(QStringLiteral("tmrSignOn"))->isActive();
    };
    QTimer::singleShot(0, window, [&] {
        if (!nestedLoop) {
            pressExit();
            return;
        }
        // As a message box waits for the user; Exit must end it too.
        QEventLoop nested;
        QTimer::singleShot(0, window, [&] {
            how = QStringLiteral("cmdExit");
            pressExit();
        });
        nestedResult = nested.exec();
        nestedResult = nestedResult == 0 ? 1 : nestedResult;
    });
    // Only reached when Exit fails to end the program.
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });

    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!portOpenAfterExit);
    QVERIFY(!visibleAfterExit);
    if (nestedLoop)
        QCOMPARE(nestedResult, 1);
    QVERIFY(fixture.program->exiting());
    QVERIFY(!fixture.program->mainWindow());
    // The sign-on window, still open when Exit came, must not go on with the start-up.
    QVERIFY(!signOnTimerAfterExit);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!guard);
    QVERIFY(!signOn);
    // Exit sends nothing to the unit: only the connection check's probe is on the line.
    QCOMPARE(fixture.unit.received(), QByteArray("q\r"));
}

QTEST_MAIN(tst_ui_mainwindow)
#include "tst_ui_mainwindow.moc"
