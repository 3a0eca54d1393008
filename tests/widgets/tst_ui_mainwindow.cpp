#include "support/ProgramFixture.h"
#include "support/UnitFaults.h"
#include "widgets/LockableComboBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPointer>
#include <QRadioButton>
#include <QWheelEvent>

namespace {

// What a control of the main window set off: the start of the line, the status, the boxes and
// the file dialog shown, the windows opened, the program ending, the Auto Reduce mark.
QString effect(ProgramFixture &f)
{
    QStringList seen{QString::fromLatin1(f.comm->written().left(2).toPercentEncoding()), f.window->status()};
    seen << f.prompter->texts() << QStringList(f.prompter->dialogFolders.size(), QStringLiteral("file dialog"));
    const QWidget *opened[]{f.program->serialSetWindow(), f.program->helpWindow(), f.program->aboutWindow()};
    for (const QWidget *window : opened)
        if (window)
            seen << window->objectName();
    if (f.program->exiting())
        seen << QStringLiteral("exit");
    if (f.window && !f.window->autoReduceChecked())
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
    return (window->cursor().shape() == Qt::WaitCursor ? QStringLiteral("hourglass") : QStringLiteral("arrow"))
           + QStringLiteral("; greyed: ") + greyed.join(u' ') + QStringLiteral("; locked: ") + locked.join(u' ');
}

}  // namespace

// What only the main window shows: its controls' wiring, its states as seen, its lists' picks.
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
        press(f->window, control);
        QCOMPARE(::effect(*f), effect);
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
        const QString busy = QStringLiteral("hourglass; greyed: %1cmdChange cmdDirectory cmdErase cmdExit cmdPlay "
                                            "mnuFileOpen mnuToolsClear mnuToolsErase mnuToolsMfg mnuToolsRead "
                                            "mnuToolsSetup; locked: cmbDelay0 cmbMode");
        QCOMPARE(seen, (QStringList{busy.arg(QStringLiteral("cmdAbort ")), busy.arg(QString()),
                                    QStringLiteral("arrow; greyed: cmdAbort; locked: ")}));
    }

    // Only a pick from a box's list writes the registers: not Enter in a box whose text is one
    // of its items, nor the focus leaving it, nor anything while the box is locked.
    void onlyAPickFromTheListWrites_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<int>("writes");  // "W" commands on the line
        const auto row = [](const char *name, const char *box, const char *action, bool locked, int writes) {
            QTest::newRow(name) << QString::fromLatin1(box) << QString::fromLatin1(action) << locked << writes;
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
        if (action == u"Enter") {
            QTest::keyClick(list, Qt::Key_Return);
        } else if (action == u"keypad Enter") {
            QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
        } else if (action == u"Enter in text") {
            QTest::keyClick(list->lineEdit(), Qt::Key_Return);
        } else if (action == u"focus leaves") {
            child(window, QStringLiteral("cmdDirectory"))->setFocus();
            QVERIFY(!list->hasFocus());
        } else if (action == u"Down") {
            QTest::keyClick(list, Qt::Key_Down);
        } else if (action == u"wheel") {
            QWheelEvent wheel(QPointF(5, 5), list->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(list, &wheel);
        } else {
            list->showPopup();
            QCOMPARE(list->view()->isVisible(), !locked);
            if (!locked) {
                QTest::keyClick(list->view(), Qt::Key_Down);
                QTest::keyClick(list->view(), Qt::Key_Return);
            }
        }
        QCoreApplication::processEvents();
        QCOMPARE(int(f->comm->written().count('W')), writes);
    }

    // The directory's names, bars, mode and delay in the window; showing them writes nothing.
    void directoryShowsInTheWindow()
    {
        f->unit.store(0, storedMessage("Lobby", 8000));
        f->unit.store(5, storedMessage("Hall", 1048576));
        f->unit.setRegister(1, 255);
        f->unit.setRegister(9, 4);
        f->open()->controller().Timer2_Timer();
        QStringList rows;
        for (int i = 0; i < 8; ++i)
            rows << child<QLineEdit>(f->window, QStringLiteral("txtMsg%1").arg(i))->text().trimmed() + u':'
                        + (child(f->window, QStringLiteral("shpFill%1").arg(i))->isVisible() ? u'#' : u'-');
        QCOMPARE(rows.join(u' '), QStringLiteral("Lobby:# :- :- :- :- Hall:# Hall:# :-"));
        QCOMPARE(child(f->window, QStringLiteral("shpFill5"))->width(),
                 child(f->window, QStringLiteral("shpFrame5"))->width());  // full
        QCOMPARE(f->window->modeText() + u' ' + f->window->delayText(), QStringLiteral("Interrupt 4"));
        QVERIFY(!f->comm->written().contains('W'));
    }

    // A full bar shows its own colour over its outline.
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
            QCOMPARE(QColor(picture.pixel(outline->mapTo(window, outline->rect().center()))), colours[index]);
        }
        window->setBarWidth(2, 0);
        QVERIFY(child(window, QStringLiteral("shpFill2"))->isHidden());
    }

    void clickSelectsItsRow()
    {
        frmMain1 *window = f->open();
        const auto checked = [window](int i) {
            return child<QRadioButton>(window, QStringLiteral("optLoc%1").arg(i))->isChecked();
        };
        QVERIFY(checked(0));
        auto &declarations = f->program->declarations();
        QTest::mouseClick(child(window, QStringLiteral("txtMsg4")), Qt::LeftButton);
        QCOMPARE(declarations.SelectedLocation, 4);
        QVERIFY(checked(4) && !checked(0));
        // A name box is read-only: the click selects, it does not edit.
        QTest::keyClicks(child(window, QStringLiteral("txtMsg4")), QStringLiteral("xy"));
        QCOMPARE(window->messageText(4), QString());
        press(window, QStringLiteral("optLoc6"));
        QCOMPARE(declarations.SelectedLocation, 6);
        // Selecting from the program moves the mark but is not a user's click.
        window->selectLocation(2);
        QVERIFY(checked(2));
        QCOMPARE(declarations.SelectedLocation, 6);
    }

    void layoutAsTheUserMeetsIt()
    {
        frmMain1 *window = f->open();
        const QPoint screenCentre = window->screen()->availableGeometry().center();
        QVERIFY((window->frameGeometry().center() - screenCentre).manhattanLength() <= 2);
        // Tab goes round the controls in this order, starting at Refresh.
        QStringList chain;
        QWidget *start = child(window, QStringLiteral("cmdDirectory"));
        QWidget *widget = start;
        do {
            // An editable list's text part belongs to its list.
            QWidget *owner = qobject_cast<QComboBox *>(widget->parentWidget()) ? widget->parentWidget() : widget;
            if ((widget->focusPolicy() & Qt::TabFocus) && !owner->objectName().isEmpty()
                && !chain.contains(owner->objectName()))
                chain << owner->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != start);
        QCOMPARE(chain.join(u' '), QStringLiteral("cmdDirectory optLoc0 optLoc1 optLoc2 optLoc3 optLoc4 optLoc5 "
                                                  "optLoc6 optLoc7 cmdErase cmdChange cmdPlay cmdAbort cmdExit "
                                                  "cmbMode cmbDelay0"));
        // Every item of a list shows whole in the window's font ("Interrupt" showed as "nterrupt");
        // a line edit keeps 2 pixels free on either side of its text.
        for (const QComboBox *list : window->findChildren<QComboBox *>()) {
            const QLineEdit *edit = list->lineEdit();
            const int room = edit->contentsRect().width() - edit->textMargins().left()
                             - edit->textMargins().right() - 4;
            for (int i = 0; i < list->count(); ++i)
                QVERIFY2(edit->fontMetrics().horizontalAdvance(list->itemText(i)) <= room,
                         qPrintable(list->itemText(i)));
        }
        // The progress bar, when shown, lies over the status line.
        auto *progress = child<QProgressBar>(window, QStringLiteral("prbLoading"));
        auto *status = child<QLabel>(window, QStringLiteral("lblStatus"));
        QVERIFY(progress->isHidden());
        window->setProgressVisible(true);
        window->setProgressValue(55);
        QVERIFY(progress->isVisible() && progress->value() == 55);
        QVERIFY(progress->parentWidget() == status->parentWidget());
        QVERIFY(progress->geometry().intersects(status->geometry()));
        const QObjectList stack = progress->parentWidget()->children();
        QVERIFY(stack.indexOf(progress) > stack.indexOf(status));
    }

    // A reload makes a new window on a new port; from inside the old window's own handler
    // too, which must outlive that handler.
    void reloadMakesAFreshWindow()
    {
        const QPointer<frmMain1> old = f->open();
        SimComm *oldComm = f->comm;
        connect(child<QAbstractButton>(old, QStringLiteral("cmdDirectory")), &QAbstractButton::clicked,
                f->program.get(), [this] { f->program->reloadMainWindow(); });
        press(old, QStringLiteral("cmdDirectory"));
        QVERIFY(!oldComm->PortOpen());
        QVERIFY(old && !old->isVisible());
        deleteUnloaded();
        QVERIFY(!old);
        frmMain1 *window = f->program->mainWindow();
        QVERIFY(window && window->isVisible() && f->comm->PortOpen());
        const auto items = [window](const char *name) -> QString {
            QStringList all;
            auto *list = child<QComboBox>(window, QLatin1String(name));
            for (int i = 0; i < list->count(); ++i)
                all << list->itemText(i);
            return all.join(u' ') + u'/' + list->currentText();
        };
        // Filled once, showing none of their items; the unit's values come later.
        QCOMPARE(items("cmbMode") + u' ' + items("cmbDelay0"), QStringLiteral("Stack Interrupt/ 0 1 2 3 4 5 6 7 8 9/"));
    }

    // Exit ends the program at once, from wherever it is chosen, without the command that runs
    // going on against a window or a port that are gone, and sends nothing to the unit.
    void exitEndsTheProgram_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("during");
        QTest::newRow("Exit button") << QStringLiteral("cmdExit") << QString();
        QTest::newRow("File, Exit") << QStringLiteral("mnuFileExit") << QString();
        QTest::newRow("close control") << QStringLiteral("close") << QString();
        QTest::newRow("from a box's event loop") << QStringLiteral("cmdExit") << QStringLiteral("box");
        QTest::newRow("during a directory read") << QStringLiteral("mnuFileExit") << QStringLiteral("read");
        QTest::newRow("during an upload") << QStringLiteral("mnuFileExit") << QStringLiteral("upload");
    }
    void exitEndsTheProgram()
    {
        QFETCH(QString, how);
        QFETCH(QString, during);
        for (int location = 0; location < 8; ++location)
            f->unit.store(location, storedMessage("Message", 8000));
        f->program->start();
        const QPointer<frmMain1> window = f->open();
        const QPointer<QWidget> signOn = f->program->signOnWindow();
        f->prompter->files << f->writeWave(200000);
        bool stillOn = true;
        const auto exit = [&] {
            how == u"close" ? void(window->close()) : press(window, how);
            stillOn = f->comm->PortOpen() || window->isVisible()
                      || child<QTimer>(signOn, QStringLiteral("tmrSignOn"))->isActive();
        };
        const int code = runEventLoop([&] {
            if (during.isEmpty())
                return exit();
            QTimer::singleShot(0, window, exit);  // comes while the command lets events run
            if (during == u"box")
                QEventLoop().exec();
            else if (during == u"upload")
                window->controller().cmdChange_Click();
            else
                window->controller().cmdDirectory_Click();
        });
        QCOMPARE(code, 0);
        QVERIFY(!stillOn);
        QVERIFY(f->program->exiting() && !f->program->mainWindow());
        deleteUnloaded();
        QVERIFY(!window && !signOn);
        QCOMPARE(f->prompter->texts(), QStringList());
        if (during != u"upload" && during != u"read")
            QCOMPARE(f->unit.received(), QByteArray("q\r"));
    }

private:
    std::unique_ptr<ProgramFixture> f;
};

QTEST_MAIN(tst_ui_mainwindow)
#include "tst_ui_mainwindow.moc"
