#include "support/PortSystemStandIn.h"
#include "support/ProgramFixture.h"
#include "support/RecordingWindows.h"
#include "settings/Declarations.h"
#include "settings/Version.h"

#include "WaveFile.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

// The windows' tests reach the program's paths the way the program does.
struct ProgramRig : ProgramFixture {
    using ProgramFixture::ProgramFixture;
    const AppPaths &paths = program->paths();

    // Opens the main window with the search pending; the search window comes when Timer3 fires.
    frmSerialSearch *startSearch()
    {
        program->declarations().AutoSearchPending = true;
        open();
        program->showSerialSearch();
        return program->serialSearchWindow();
    }
};

// Windows that were unloaded go once the event loop is back at the top.
void deleteUnloaded()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

template <typename T = QWidget>
T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

void trigger(QWidget *window, const char *entry)
{
    child<QAction>(window, entry)->trigger();
}

void click(QWidget *window, const char *button)
{
    QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton);
}

// Exit in an earlier test ended the event loops, and Qt refuses nested ones until the main
// loop has run again.
void allowNestedEventLoops()
{
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

// Types a port into the open port selection window and applies it.
void applyPort(frmSerialSet *window, const QString &port)
{
    child<QComboBox>(window, "cmbCommPort")->setEditText(port);
    click(window, "cmdApply");
}

}  // namespace

class tst_ui_portwindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void serialSetListsPortsWithTheirDevices()
    {
        ProgramRig rig;
        QVERIFY(QDir().mkpath(rig.paths.portsDir));
        QVERIFY(QFile::link(QStringLiteral("/dev/tavix-test-device"), rig.paths.portsDir + QStringLiteral("/com7")));
        rig.open();
        rig.program->declarations().CommPort = 256;
        trigger(rig.program->mainWindow(), "mnuToolsSetup");

        frmSerialSet *window = rig.program->serialSetWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Com Port Selection"));
        auto *list = child<QComboBox>(window, "cmbCommPort");
        QCOMPARE(list->count(), 256);
        QCOMPARE(list->itemText(0) + u' ' + list->itemText(7) + u' ' + list->itemText(255), QStringLiteral("Auto 7 255"));
        QCOMPARE(list->model()->index(7, 1).data().toString(), QStringLiteral("/dev/tavix-test-device"));
        // The current port shows although the list lacks it.
        QCOMPARE(list->currentText(), QStringLiteral("256"));

        // Shown again, it is the same window.
        rig.program->showSerialSet();
        QCOMPARE(rig.program->serialSetWindow(), window);
        QCOMPARE(list->count(), 256);
    }

    // What the system says of each adapter shows beside its number and under the list; the
    // list follows adapters plugged in and out while the window is open, the choice follows
    // the adapter, and Pin keeps it on its number.
    void serialSetFollowsAdaptersAndPins()
    {
        QTemporaryDir folder;
        const AppPaths paths = AppPaths::inFolder(folder.path());
        const SystemPort a{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("NS1 Bridge"), QStringLiteral("Norby"),
                           QStringLiteral("0001"), QStringLiteral("/dev/serial/by-id/usb-A")};
        const SystemPort b{QStringLiteral("/dev/ttyUSB1"), QStringLiteral("UX2 USB Serial"), QStringLiteral("Lintel"),
                           QStringLiteral("A10K"), QStringLiteral("/dev/serial/by-id/usb-B")};
        PortSystemStandIn system;
        system.list = {b, a};
        system.noPermission = {b.device};
        modDeclarations declarations;
        declarations.CommPort = 2;
        RecordingPrompter prompter;
        RecordingWindows windows;
        frmSerialSet window(declarations, paths, prompter, windows, system);
        window.Form_Load();
        window.show();
        QVERIFY(window.portTimer().isActive());
        QCOMPARE_LE(window.portTimer().interval(), 1000);

        auto *list = child<QComboBox>(&window, "cmbCommPort");
        auto *label = child<QLabel>(&window, "lblDevice");
        auto *pin = child<QPushButton>(&window, "cmdPin");
        const auto cell = [list](int row, int column) { return list->model()->index(row, column).data().toString(); };
        QCOMPARE(cell(2, 1) + u'|' + cell(2, 2) + u'|' + cell(2, 3),
                 QStringLiteral("/dev/ttyUSB1|UX2 USB Serial, Lintel, serial A10K|no permission (group dialout)"));
        QVERIFY2(label->text().contains(QStringLiteral("sudo usermod -aG dialout $USER")), qPrintable(label->text()));

        system.list = {b};
        window.refreshPorts();
        QCOMPARE(list->currentText(), QStringLiteral("1"));
        QCOMPARE(cell(2, 1), QString());

        QTest::mouseClick(pin, Qt::LeftButton);
        QCOMPARE(QFileInfo(paths.portsDir + QStringLiteral("/com1")).symLinkTarget(), b.stablePath);
        QCOMPARE(pin->text(), QStringLiteral("Unpin"));
        QCOMPARE(cell(1, 3), QStringLiteral("pinned"));

        system.list = {a, b};
        window.refreshPorts();
        QCOMPARE(list->currentText(), QStringLiteral("1"));
        QCOMPARE(cell(1, 2) + u'|' + cell(2, 1), QStringLiteral("UX2 USB Serial, Lintel, serial A10K|/dev/ttyUSB1"));
        QVERIFY(prompter.shown.isEmpty());
    }

    void applyReloadsTheMainWindow()
    {
        ProgramRig rig(3);
        QPointer<frmMain1> first = rig.open();
        rig.prompter->shown.clear();
        rig.program->showSerialSet();
        QPointer<frmSerialSet> window = rig.program->serialSetWindow();
        child<QComboBox>(window, "cmbCommPort")->setEditText(QStringLiteral("3"));
        click(window, "cmdApply");

        QCOMPARE(rig.settings(), QByteArray("BaudRate=460800\r\nCommPort=3\r\n"));
        QVERIFY(rig.program->mainWindow() && rig.program->mainWindow() != first.data());
        QVERIFY(rig.prompter->shown.isEmpty());
        QCOMPARE(rig.comm->PortNumber(), qint16(3));
        QVERIFY(rig.comm->PortOpen());
        QVERIFY(!rig.program->serialSetWindow());
        deleteUnloaded();
        QVERIFY(!window && !first);
    }

    void cancelAndCloseChangeNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << QStringLiteral("cancel");
        QTest::newRow("File, Close") << QStringLiteral("close");
        QTest::newRow("the window's close control") << QStringLiteral("frame");
    }
    void cancelAndCloseChangeNothing()
    {
        QFETCH(QString, how);
        ProgramRig rig;
        frmMain1 *main = rig.open();
        rig.program->showSerialSet();
        QPointer<frmSerialSet> window = rig.program->serialSetWindow();
        child<QComboBox>(window, "cmbCommPort")->setEditText(QStringLiteral("9"));
        if (how == u"cancel")
            click(window, "cmdCancel");
        else if (how == u"close")
            trigger(window, "mnuFileClose");
        else
            window->close();
        deleteUnloaded();
        QVERIFY(!window);
        QCOMPARE(rig.program->mainWindow(), main);
        QCOMPARE(rig.program->declarations().CommPort, qint16(1));
        QVERIFY(!QFile::exists(rig.paths.settingsFile));
    }

    void exitFromTheSelectionEndsTheProgram()
    {
        ProgramRig rig;
        rig.open();
        rig.program->showSerialSet();
        rig.program->showHelp();
        trigger(rig.program->serialSetWindow(), "mnuFileExit");
        QVERIFY(rig.program->exiting());
        QVERIFY(!rig.program->mainWindow() && !rig.program->serialSetWindow() && !rig.program->helpWindow());
        QVERIFY(!rig.comm->PortOpen());
    }

    void selectionAfterTheStartUpQuestionOpensTheMainWindow()
    {
        ProgramRig rig;
        // The answer Yes: no main window yet.
        rig.program->showSerialSet();
        QVERIFY(!rig.program->mainWindow());
        auto *window = rig.program->serialSetWindow();
        child<QComboBox>(window, "cmbCommPort")->setEditText(QStringLiteral("1"));
        click(window, "cmdApply");
        QVERIFY(rig.program->mainWindow() && rig.program->mainWindow()->isVisible());
        QVERIFY(rig.prompter->shown.isEmpty());
    }

    void searchFindsTheUnitAndHandsOver()
    {
        ProgramRig rig(2);
        rig.program->declarations().AutoSearchPending = true;
        frmMain1 *main = rig.open();
        QVERIFY(main->controller().timers().Timer3.isActive());
        main->controller().Timer3_Timer();

        QPointer<frmSerialSearch> window = rig.program->serialSearchWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Communication Port Search"));
        auto *port = child<QLineEdit>(window, "txtPort");
        auto *label = child<QLabel>(window, "lblSearch");
        QCOMPARE(port->text(), QStringLiteral("1"));
        QCOMPARE(label->text(), QStringLiteral("Searching for Com Port  -  -  - "));
        // Shown again, it is the same window.
        rig.program->showSerialSearch();
        QCOMPARE(rig.program->serialSearchWindow(), window.data());

        window->search().Timer1_Timer();
        QCOMPARE(label->text(), QStringLiteral("Tavix Found!"));
        QCOMPARE(port->text(), QStringLiteral("2"));

        window->search().Timer2_Timer();
        QCOMPARE(rig.settings(), QByteArray("BaudRate=460800\r\nCommPort=2\r\n"));
        // The reloaded main window opened the found port and passed its connection check.
        QVERIFY(rig.program->mainWindow() != main);
        QCOMPARE(rig.comm->PortNumber(), qint16(2));
        QCOMPARE(rig.comm->written(), QByteArray("q\r"));
        QVERIFY(rig.program->mainWindow()->controller().timers().Timer2.isActive());
        QVERIFY(!rig.program->serialSearchWindow());
        deleteUnloaded();
        QVERIFY(!window);
        QVERIFY(rig.prompter->shown.isEmpty());
    }

    void searchFindingNothingTellsTheMainWindow()
    {
        ProgramRig rig(300);
        QPointer<frmSerialSearch> window = rig.startSearch();
        window->search().Timer1_Timer();
        QCOMPARE(rig.prompter->texts(), QStringList{QStringLiteral("Cannot Find Tavix, make sure unit is conected!")});
        QCOMPARE(rig.program->mainWindow()->status(), QStringLiteral("Communication Error, check connections!"));
        deleteUnloaded();
        QVERIFY(!window);
        // The selection then opens on the port the search left behind.
        rig.program->showSerialSet();
        QCOMPARE(child<QComboBox>(rig.program->serialSetWindow(), "cmbCommPort")->currentText(), QStringLiteral("256"));
    }

    void searchWindowClosedWhileSearching()
    {
        ProgramRig rig(200);
        QPointer<frmSerialSearch> window = rig.startSearch();
        // Arrives while the search lets events run between two ports.
        QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
        window->search().Timer1_Timer();
        QVERIFY(window);  // still on the stack until here
        QVERIFY(!window->isVisible());
        deleteUnloaded();
        QVERIFY(!window);
        QVERIFY(!rig.comm->PortOpen());
        QVERIFY(rig.prompter->shown.isEmpty());
        QVERIFY(rig.program->declarations().CommPort < 200);
    }

    void searchOfAnUnloadedMainWindowMakesWayForANewOne()
    {
        ProgramRig rig(5);
        QPointer<frmSerialSearch> old = rig.startSearch();
        old->search().Timer1_Timer();  // found, waiting for the hand-over

        rig.program->declarations().AutoSearchPending = true;
        rig.program->reloadMainWindow();
        rig.program->showSerialSearch();
        QVERIFY(rig.program->serialSearchWindow() && rig.program->serialSearchWindow() != old.data());
        deleteUnloaded();
        QVERIFY(!old);
        QVERIFY(!QFile::exists(rig.paths.settingsFile));
    }

    // A reload asked for while a command of the main window waits in a nested event loop (a
    // box, the file dialog, the overflow dialog, a transfer letting events run) comes only once
    // that command has returned: the command ends on its own window and port, and the new
    // window's probe never lands in the middle of its exchanges.
    void reloadWaitsForTheRunningCommand_data()
    {
        QTest::addColumn<QString>("wait");
        QTest::addColumn<QString>("reload");
        QTest::addColumn<QString>("endStatus");  // of the old window, once its command has ended
        const auto row = [](const char *name, const char *wait, const char *reload,
                            const char *end) {
            QTest::newRow(name) << QString::fromLatin1(wait) << QString::fromLatin1(reload)
                                << QString::fromLatin1(end);
        };
        row("Apply while the overflow dialog waits", "overflow", "Apply", "Ready!");
        row("Auto while the Erase All question waits", "question", "Auto",
            "All memory locations are erased!");
        row("search hand-over while the file dialog waits", "file dialog", "hand-over",
            "20000 bytes sent");
        row("Timer5, then Apply, while the file dialog waits", "file dialog", "Timer5",
            "Communication Error!");
        row("Apply during an upload", "transfer", "Apply", "20000 bytes sent");
    }
    void reloadWaitsForTheRunningCommand()
    {
        QFETCH(QString, wait);
        QFETCH(QString, reload);
        QFETCH(QString, endStatus);
        const bool timer5 = reload == u"Timer5";
        allowNestedEventLoops();
        // For Timer5 the load fails on port 1 and the unit is on port 2.
        ProgramRig rig(timer5 ? 2 : 1);
        if (reload == u"hand-over") {
            PortSearch &search = rig.startSearch()->search();
            search.Timer1_Timer();  // found; the hand-over comes two seconds later
            search.timer2().stop();  // this test calls it instead
        } else {
            rig.open();
        }
        const QPointer<frmMain1> old = rig.program->mainWindow();
        old->controller().timers().Timer3.stop();
        if (reload == u"Apply" || reload == u"Auto")
            rig.program->showSerialSet();  // not modal: it stays open beside the main window

        WaveFile wave;
        wave.data = QByteArray(wait == u"overflow" ? 1200000 : 20000, '\x10');
        const QString path = rig.folder.filePath(QStringLiteral("Lobby.wav"));
        QVERIFY(wave.write(path));
        if (!timer5)
            rig.prompter->files << path;

        bool replacedInside = true;
        const auto requestReload = [&] {
            if (reload == u"hand-over") {
                rig.program->serialSearchWindow()->search().Timer2_Timer();
            } else {
                if (timer5)
                    old->controller().Timer5_Timer();  // as the timer does when it fires now
                const char *port = reload == u"Auto" ? "Auto" : timer5 ? "2" : "1";
                applyPort(rig.program->serialSetWindow(), QString::fromLatin1(port));
            }
            replacedInside = rig.program->mainWindow() != old.data();
        };
        if (wait == u"overflow") {
            QTimer::singleShot(0, [&] {
                requestReload();
                // The user answers later, after the deferred deletes of this loop have run.
                QTimer::singleShot(0, [] {
                    for (QWidget *w : QApplication::topLevelWidgets())
                        if (w->objectName() == u"frmOverflow" && w->isVisible())
                            click(w, "cmdCancel");
                });
            });
        } else if (wait == u"transfer") {
            QTimer::singleShot(0, requestReload);
        } else {
            rig.prompter->whileShown = requestReload;
            rig.prompter->answers << true;
        }
        if (wait == u"question")
            trigger(old, "mnuToolsErase");
        else
            child<QPushButton>(old, "cmdChange")->click();

        QVERIFY(!replacedInside);
        QVERIFY(old);
        QCOMPARE(rig.program->mainWindow(), old.data());
        QCOMPARE(old->status(), endStatus);
        if (endStatus.endsWith(u"sent")) {
            QVERIFY(rig.unit.messageAt(0));
            QCOMPARE(rig.unit.messageAt(0)->audio.size(), 20000);
        }
        // The reload comes once the command has returned to the event loop.
        QCoreApplication::processEvents();
        frmMain1 *fresh = rig.program->mainWindow();
        QVERIFY(fresh && fresh != old.data() && fresh->isVisible());
        if (reload == u"Auto") {
            QVERIFY(fresh->controller().timers().Timer3.isActive());
            QVERIFY(rig.comm->written().isEmpty());
        } else {
            QCOMPARE(rig.comm->written(), QByteArray("q\r"));
        }
        deleteUnloaded();
        QVERIFY(!old);
    }

    // Applied while the search lets events run, a port unloads the main window the search
    // works on; the search ends there, though the window itself is deleted only later.
    void searchEndsAtTheUnloadOfItsMainWindow_data()
    {
        QTest::addColumn<int>("unitPort");
        QTest::addColumn<int>("from");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("the unit on the applied port") << 7 << 1 << QStringList();
        QTest::newRow("applied at the last port")
            << 300 << 255 << QStringList{QStringLiteral("Communications Error, check Com Port!")};
    }
    void searchEndsAtTheUnloadOfItsMainWindow()
    {
        QFETCH(int, unitPort);
        QFETCH(int, from);
        QFETCH(QStringList, shown);
        ProgramRig rig(static_cast<qint16>(unitPort));
        QPointer<frmSerialSearch> window = rig.startSearch();
        rig.program->showSerialSet();
        rig.program->declarations().CommPort = static_cast<qint16>(from);
        const QString applied = QString::number(unitPort == 7 ? 7 : from);
        QTimer::singleShot(0, [&] { applyPort(rig.program->serialSetWindow(), applied); });
        window->search().Timer1_Timer();

        QCOMPARE(rig.prompter->texts(), shown);
        QCOMPARE(child<QLabel>(window, "lblSearch")->text(),
                 QStringLiteral("Searching for Com Port  -  -  - "));
        QVERIFY(!window->search().timer2().isActive());
        QCOMPARE(rig.program->declarations().CommPort, applied.toShort());
        QVERIFY(!rig.program->serialSearchWindow());
        QCOMPARE(rig.comm->written(), unitPort == 7 ? QByteArray("q\r") : QByteArray());
        deleteUnloaded();
        QVERIFY(!window);
    }

    void helpShowsTheFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("lines");
        QTest::newRow("several lines") << QByteArray("One\r\nTwo\r\n\r\nFour") << QStringLiteral("One\nTwo\n\nFour") << 4;
        QTest::newRow("empty") << QByteArray() << QString() << 1;
    }
    void helpShowsTheFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QFETCH(int, lines);
        ProgramRig rig;
        QVERIFY(rig.writeFile(rig.paths.helpFile, bytes));
        trigger(rig.open(), "mnuHelpHelp");
        frmHelp *window = rig.program->helpWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Help"));
        auto *text = child<QPlainTextEdit>(window, "txtScript");
        QCOMPARE(text->toPlainText(), shown);
        QCOMPARE(text->blockCount(), lines);
        QVERIFY(text->isReadOnly());
        QVERIFY(rig.prompter->shown.isEmpty());
    }

    void helpWithoutTheFileStillOpensOnce()
    {
        ProgramRig rig;
        rig.open();
        rig.program->showHelp();
        frmHelp *window = rig.program->helpWindow();
        QCOMPARE(child<QPlainTextEdit>(window, "txtScript")->toPlainText(), QStringLiteral("Text1"));
        QCOMPARE(rig.prompter->texts(), QStringList{QStringLiteral("No Instructions Available!")});
        QVERIFY(window->isVisible());

        // Not loaded a second time: no second message.
        rig.program->showHelp();
        QCOMPARE(rig.program->helpWindow(), window);
        QCOMPARE(rig.prompter->shown.size(), 1);

        QPointer<frmHelp> going = window;
        click(window, "cmdClose");
        QVERIFY(!rig.program->helpWindow());
        deleteUnloaded();
        QVERIFY(!going);
        // Opened after closing, it is loaded afresh.
        rig.program->showHelp();
        QCOMPARE(rig.prompter->shown.size(), 2);
    }

    void aboutShowsNameAndVersionOnce()
    {
        ProgramRig rig;
        trigger(rig.open(), "mnuHelpAbout");
        QPointer<frmAbout> window = rig.program->aboutWindow();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Tavix"));
        QCOMPARE(child<QLabel>(window, "lblVersion")->text(), versionText());
        QCOMPARE(child<QLabel>(window, "lblName")->text(), QStringLiteral("Tavix Message Monitor"));
        QVERIFY(!child<QLabel>(window, "lblCoprright")->text().isEmpty());
        QVERIFY(window->findChildren<QPushButton *>().isEmpty());
        rig.program->showAbout();
        QCOMPARE(rig.program->aboutWindow(), window.data());

        window->close();
        QVERIFY(!rig.program->aboutWindow());
        deleteUnloaded();
        QVERIFY(!window);
    }
};

QTEST_MAIN(tst_ui_portwindows)
#include "tst_ui_portwindows.moc"
