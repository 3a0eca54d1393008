#include "support/ProgramFixture.h"
#include "support/UnitFaults.h"
#include "widgets/LockableComboBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QWheelEvent>

namespace {

// What a control of the main window set off: the start of the line, the status, the boxes and
// the file dialog shown, the windows opened, the selection, the program ending, Auto Reduce.
QString effect(ProgramFixture &f)
{
    QStringList seen{QString::fromLatin1(f.comm->written().left(2).toPercentEncoding()),
                     f.window->status()};
    seen << f.prompter->texts()
         << QStringList(f.prompter->dialogFolders.size(), QStringLiteral("file dialog"));
    for (const QWidget *window : {static_cast<QWidget *>(f.program->serialSetWindow()),
                                  static_cast<QWidget *>(f.program->helpWindow()),
                                  static_cast<QWidget *>(f.program->aboutWindow())})
        if (window)
            seen << window->objectName();
    if (const int selected = f.program->declarations().SelectedLocation)
        if (child<QRadioButton>(f.window, QStringLiteral("optLoc%1").arg(selected))->isChecked())
            seen << QStringLiteral("location %1 marked").arg(selected + 1);
    if (f.program->exiting())
        seen << QStringLiteral("exit");
    if (!f.window->autoReduceChecked())
        seen << QStringLiteral("no Auto Reduce");
    return seen.join(u'|');
}

// The main window as the user sees it: the pointer, what is greyed, which lists refuse picks.
QString look(const frmMain1 *window)
{
    QStringList greyed;
    QStringList locked;
    for (const QObject *object : window->findChildren<QObject *>()) {
        const auto *widget = qobject_cast<const QWidget *>(object);
        const auto *action = qobject_cast<const QAction *>(object);
        if (object->objectName().isEmpty() || !(widget || action))
            continue;
        if (widget ? !widget->isEnabled() : !action->isEnabled())
            greyed << object->objectName();
        if (const auto *list = qobject_cast<const LockableComboBox *>(object); list && list->isLocked())
            locked << object->objectName();
    }
    greyed.sort();
    locked.sort();
    return (window->cursor().shape() == Qt::WaitCursor ? QStringLiteral("hourglass; ")
                                                       : QStringLiteral("arrow; "))
           + greyed.join(u' ') + QStringLiteral("; locked: ") + locked.join(u' ');
}

}  // namespace

// What only the main window shows: its controls' wiring, its states, its lists' picks, its bars.
class tst_ui_mainwindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { f = std::make_unique<ProgramFixture>(); }
    void cleanup()
    {
        deleteUnloaded();
        f.reset();
    }

    void controlsReachTheirCommands_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("effect");
        const auto row = [](const char *control, const char *effect) {
            QTest::newRow(control) << QString::fromLatin1(control) << QString::fromLatin1(effect);
        };
        row("cmdDirectory", "D%0D|Done!");
        row("cmdPlay", "P0|Playing Message: 1");
        row("cmdAbort", "A|Playback Stopped");
        row("cmdErase", "C0|Location 1 Erased!");
        row("cmdChange", "||No File Selected!|file dialog");
        row("cmdExit", "||exit");
        row("close", "||exit");  // the window's close control
        row("optLoc6", "||location 7 marked");
        row("txtMsg4", "||location 5 marked");
        row("mnuFileOpen", "||No File Selected!|file dialog");
        row("mnuFileExit", "||exit");
        row("mnuToolsSetup", "||frmSerialSet");
        row("mnuToolsMfg", "E0|Manufacturer code is: 54 58 8");
        row("mnuToolsErase", "||Are you sure you want to erase all Locations?");
        row("mnuToolsRead", "E0|The first byte of memory is: 4C");
        row("mnuToolsClear", "|Ready");
        row("mnuToolsAutoreduce", "||no Auto Reduce");
        row("mnuHelpAbout", "||frmAbout");
        row("mnuHelpHelp", "||No Instructions Available!|frmHelp");
    }
    void controlsReachTheirCommands()
    {
        QFETCH(QString, control);
        QFETCH(QString, effect);
        f->unit.store(0, storedMessage("Lobby", 8000));
        f->open();
        if (control == u"cmdAbort") {
            press(f->window, QStringLiteral("cmdPlay"));  // Stop is usable only then
            f->comm->clearLine();
        }
        control == u"close" ? void(f->window->close()) : press(f->window, control);
        QCOMPARE(::effect(*f), effect);
        // A name box selects its row; it cannot be edited.
        QTest::keyClicks(child(f->window, QStringLiteral("txtMsg4")), QStringLiteral("xy"));
        QCOMPARE(f->window->messageText(4), QString());
    }

    // Busy greys what would start a second command, the menu entries that reach the unit
    // included, and locks the lists; the directory read greys Stop too. Idle gives all back.
    void busyAndIdleAsSeen()
    {
        f->unit.store(2, storedMessage("Chime", 80000));
        f->open();
        QStringList seen;
        QTimer::singleShot(0, f->window, [&] { seen << look(f->window); });  // inside the read
        press(f->window, QStringLiteral("cmdDirectory"));
        press(f->window, QStringLiteral("optLoc2"));
        press(f->window, QStringLiteral("cmdPlay"));
        seen << look(f->window);
        press(f->window, QStringLiteral("cmdAbort"));
        seen << look(f->window);
        const QString busy = QStringLiteral(
            "hourglass; %1cmdChange cmdDirectory cmdErase cmdExit cmdPlay mnuFileOpen mnuToolsClear "
            "mnuToolsErase mnuToolsMfg mnuToolsRead mnuToolsSetup; locked: cmbDelay0 cmbMode");
        QCOMPARE(seen, (QStringList{busy.arg(QStringLiteral("cmdAbort ")), busy.arg(QString()),
                                    QStringLiteral("arrow; cmdAbort; locked: ")}));
    }

    // Only a pick from a box's list writes the registers: not Enter in a box whose text is one
    // of its items, nor the focus leaving it, nor anything while the box is locked.
    void onlyAPickFromTheListWrites_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<int>("writes");  // "W" commands on the line
        const auto row = [](const char *name, const char *box, const char *action, bool locked,
                            int writes) {
            QTest::newRow(name) << QString::fromLatin1(box) << QString::fromLatin1(action) << locked
                                << writes;
        };
        row("Enter in the mode box", "cmbMode", "Enter", false, 0);
        row("keypad Enter in the delay box", "cmbDelay0", "keypad Enter", false, 0);
        row("Enter in the mode box's text", "cmbMode", "Enter in text", false, 0);
        row("focus leaves the delay box", "cmbDelay0", "focus leaves", false, 0);
        row("mode picked from the list", "cmbMode", "pick", false, 1);
        row("delay picked from the list", "cmbDelay0", "pick", false, 8);
        row("Down key in the mode box", "cmbMode", "Down", false, 1);
        row("locked: Down key", "cmbMode", "Down", true, 0);
        row("locked: wheel", "cmbDelay0", "wheel", true, 0);
        row("locked: the list does not open", "cmbMode", "pick", true, 0);
    }
    void onlyAPickFromTheListWrites()
    {
        QFETCH(QString, box);
        QFETCH(QString, action);
        QFETCH(bool, locked);
        QFETCH(int, writes);
        frmMain1 *window = f->open();
        auto *list = child<QComboBox>(window, box);
        // What a directory read shows: one of the items, put there by the program.
        window->setModeText(QStringLiteral("Interrupt"));
        window->setDelayText(QStringLiteral("3"));
        if (locked)
            window->SetBusyControls();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        list->setFocus();
        QWheelEvent wheel(QPointF(5, 5), list->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        if (action == u"focus leaves") {
            child(window, QStringLiteral("cmdDirectory"))->setFocus();
            QVERIFY(!list->hasFocus());
        } else if (action == u"wheel") {
            QApplication::sendEvent(list, &wheel);
        } else if (action == u"pick") {
            list->showPopup();
            QCOMPARE(list->view()->isVisible(), !locked);
            for (Qt::Key key : {Qt::Key_Down, Qt::Key_Return})
                QTest::keyClick(locked ? static_cast<QWidget *>(list) : list->view(), key);
        } else {
            QTest::keyClick(action == u"Enter in text" ? list->lineEdit() : static_cast<QWidget *>(list),
                            action == u"Down" ? Qt::Key_Down : action == u"Enter" ? Qt::Key_Return : Qt::Key_Enter,
                            action == u"keypad Enter" ? Qt::KeypadModifier : Qt::NoModifier);
        }
        QCoreApplication::processEvents();
        QCOMPARE(int(f->comm->written().count('W')), writes);
    }

    // Each full bar shows its own colour over its outline; an empty one is not there.
    void barsInTheirColours()
    {
        frmMain1 *window = f->open();
        const QList<QColor> colours{{255, 0, 0},   {255, 128, 0}, {255, 255, 0},   {0, 255, 0},
                                    {0, 192, 192}, {0, 0, 255},   {128, 128, 255}, {255, 0, 255}};
        for (int index = 0; index < 8; ++index) {
            QCOMPARE(window->barColor(index), colours[index].rgb() & 0xFFFFFF);
            window->setBarWidth(index, 800);
        }
        const QImage picture = window->grab().toImage();
        for (int index = 0; index < 8; ++index) {
            auto *outline = child(window, QStringLiteral("shpFrame%1").arg(index));
            QCOMPARE(QColor(picture.pixel(outline->mapTo(window, outline->rect().center()))),
                     colours[index]);
        }
        window->setBarWidth(2, 0);
        QVERIFY(child(window, QStringLiteral("shpFill2"))->isHidden());
    }

private:
    std::unique_ptr<ProgramFixture> f;
};

QTEST_MAIN(tst_ui_mainwindow)
#include "tst_ui_mainwindow.moc"
