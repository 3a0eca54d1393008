#include "support/ProgramFixture.h"
#include "support/UnitFaults.h"
#include "widgets/LockableComboBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QWheelEvent>

using namespace Qt::StringLiterals;

namespace {

// What a control set off: the line's start, the status, the boxes and file dialog shown, the
// windows opened, the selection, the program ending, Auto Reduce.
QString effect(ProgramFixture &f)
{
    QStringList seen { QString::fromLatin1(f.comm->written().left(2).toPercentEncoding()),
        f.window->status() };
    seen << f.prompter->texts() << QStringList(f.prompter->dialogFolders.size(), u"file dialog"_s);
    for (const QWidget *window : std::initializer_list<const QWidget *> {
             f.program->serialSetWindow(), f.program->helpWindow(), f.program->aboutWindow() })
        if (window)
            seen << window->objectName();
    const int selected = f.program->declarations().SelectedLocation;
    if (selected && child<QRadioButton>(f.window, u"optLoc%1"_s.arg(selected))->isChecked())
        seen << u"location %1 marked"_s.arg(selected + 1);
    if (f.program->exiting())
        seen << u"exit"_s;
    if (!f.window->autoReduceChecked())
        seen << u"no Auto Reduce"_s;
    return seen.join(u'|');
}

// The main window as the user sees it: the pointer, what is greyed, which lists refuse picks.
QString look(const frmMain1 *window)
{
    QStringList greyed { window->cursor().shape() == Qt::WaitCursor ? u"hourglass:"_s
                                                                    : u"arrow:"_s };
    QStringList locked { u"locked:"_s };
    for (const QObject *object : window->findChildren<QObject *>()) {
        const auto *widget = qobject_cast<const QWidget *>(object);
        const auto *action = qobject_cast<const QAction *>(object);
        if (!object->objectName().isEmpty()
            && (widget ? !widget->isEnabled() : action && !action->isEnabled()))
            greyed << object->objectName();
        if (const auto *list = qobject_cast<const LockableComboBox *>(object);
            list && list->isLocked())
            locked << object->objectName();
    }
    return (greyed + locked).join(u' ');
}

} // namespace

// What only the main window shows: its controls' wiring, its states, its lists' picks.
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
        QTest::addColumn<QString>("row"); // control|what it set off, as effect() puts it
        for (const char *row : { "cmdDirectory|D%0D|Done!", "cmdPlay|P0|Playing Message: 1",
                 "cmdAbort|A|Playback Stopped", "cmdErase|C0|Location 1 Erased!",
                 "cmdChange|||No File Selected!|file dialog", "cmdExit|||exit", "close|||exit",
                 "optLoc6|||location 7 marked", "txtMsg4|||location 5 marked",
                 "mnuFileOpen|||No File Selected!|file dialog", "mnuFileExit|||exit",
                 "mnuToolsSetup|||frmSerialSet", "mnuToolsMfg|E0|Manufacturer code is: 54 58 8",
                 "mnuToolsErase|||Are you sure you want to erase all Locations?",
                 "mnuToolsRead|E0|The first byte of memory is: 4C", "mnuToolsClear||Ready",
                 "mnuToolsAutoreduce|||no Auto Reduce", "mnuHelpAbout|||frmAbout",
                 "mnuHelpHelp|||No Instructions Available!|frmHelp" })
            QTest::newRow(row) << QString::fromLatin1(row);
    }
    void controlsReachTheirCommands()
    {
        QFETCH(QString, row);
        const QString control = row.section(u'|', 0, 0);
        f->unit.store(0, storedMessage("Lobby", 8000));
        f->open();
        if (control == u"cmdAbort") {
            press(f->window, u"cmdPlay"_s); // Stop is usable only then
            f->comm->clearLine();
        }
        press(f->window, control);
        QCOMPARE(control + u'|' + effect(*f), row);
    }

    // Busy greys what would start a second command, the menu entries that reach the unit
    // included, and locks the lists; the directory read greys Stop too. Idle gives all back.
    void busyAndIdleAsSeen()
    {
        f->unit.store(2, storedMessage("Chime", 80000));
        f->open();
        QStringList seen;
        QTimer::singleShot(0, f->window, [&] { seen << look(f->window); }); // inside the read
        press(f->window, u"cmdDirectory"_s);
        press(f->window, u"optLoc2"_s);
        press(f->window, u"cmdPlay"_s);
        seen << look(f->window);
        press(f->window, u"cmdAbort"_s);
        seen << look(f->window);
        const QString busy = u"hourglass: cmdExit %1cmdPlay cmdChange cmdErase cmdDirectory "
                             "mnuFileOpen mnuToolsSetup mnuToolsMfg mnuToolsErase mnuToolsRead "
                             "mnuToolsClear locked: cmbDelay0 cmbMode"_s;
        QCOMPARE(seen,
            QStringList(
                { busy.arg(u"cmdAbort "_s), busy.arg(QString()), u"arrow: cmdAbort locked:"_s }));
        // A name box selects its row; it cannot be edited.
        QTest::keyClicks(child(f->window, u"txtMsg4"_s), u"xy"_s);
        QCOMPARE(f->window->messageText(4), QString());
    }

    // Only a pick from a box's list writes the registers: not Enter in a box whose text is one
    // of its items, nor the focus leaving it, nor anything while the box is locked.
    void onlyAPickFromTheListWrites_data()
    {
        QTest::addColumn<QString>("row"); // box|action|locked|"W" commands on the line
        for (const char *row :
            { "cmbMode|Enter||0", "cmbMode|Enter in text||0", "cmbDelay0|focus leaves||0",
                "cmbMode|pick||1", "cmbDelay0|pick||8", "cmbMode|Down||1", "cmbMode|Down|locked|0",
                "cmbDelay0|wheel|locked|0", "cmbMode|pick|locked|0" })
            QTest::newRow(row) << QString::fromLatin1(row);
    }
    void onlyAPickFromTheListWrites()
    {
        QFETCH(QString, row);
        const QString action = row.section(u'|', 1, 1);
        const bool locked = !row.section(u'|', 2, 2).isEmpty();
        frmMain1 *window = f->open();
        auto *list = child<QComboBox>(window, row.section(u'|', 0, 0));
        // What a directory read shows: one of the items, put there by the program.
        window->setModeText(u"Interrupt"_s);
        window->setDelayText(u"3"_s);
        if (locked)
            window->SetBusyControls();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        list->setFocus();
        if (action == u"focus leaves") {
            child(window, u"cmdDirectory"_s)->setFocus();
            QVERIFY(!list->hasFocus());
        } else if (action == u"wheel") {
            QWheelEvent wheel(QPointF(5, 5), list->mapToGlobal(QPointF(5, 5)), QPoint(),
                QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(list, &wheel);
        } else if (action == u"pick") {
            list->showPopup();
            QCOMPARE(list->view()->isVisible(), !locked);
            for (Qt::Key key : { Qt::Key_Down, Qt::Key_Return })
                QTest::keyClick(locked ? static_cast<QWidget *>(list) : list->view(), key);
        } else {
            QTest::keyClick(
                action == u"Enter in text" ? list->lineEdit() : static_cast<QWidget *>(list),
                action == u"Down" ? Qt::Key_Down : Qt::Key_Return);
        }
        QCoreApplication::processEvents();
        QCOMPARE(
            row.section(u'|', 0, 2) + u'|' + QString::number(f->comm->written().count('W')), row);
    }

private:
    std::unique_ptr<ProgramFixture> f;
};

QTEST_MAIN(tst_ui_mainwindow)
#include "tst_ui_mainwindow.moc"
