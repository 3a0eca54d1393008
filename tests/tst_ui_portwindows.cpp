#include "support/ProgramFixture.h"
#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "app/AppPaths.h"
#include "app/MainController.h"
#include "app/Version.h"
#include "ui/Program.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The windows' tests reach the program's paths the way the program does.
struct ProgramRig : ProgramFixture {
    using ProgramFixture::ProgramFixture;
    const AppPaths &paths = program->paths();
};

// Windows that were unloaded go once the event loop is back at the top.
void deleteUnloaded()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

template <typename T>
T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

}  // namespace

class tst_ui_portwindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void serialSetListsPortsWithTheirDevices()
    {
        ProgramRig rig;
        QVERIFY(QDir().mkpath(rig.paths.portsDir));
        QVERIFY(QFile::link(QStringLiteral("/dev/tavix-test-device"),
                            rig.paths.portsDir + QStringLiteral("/com7")));
        rig.open();
        rig.program->declarations().CommPort = 256;
        rig.program->mainWindow()->findChild<QAction *>(QStringLiteral("mnuToolsSetup"))->trigger();

        frmSerialSet *window = rig.program->serialSetWindow();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Com Port Selection"));
        auto *list = child<QComboBox>(window, "cmbCommPort");
        QCOMPARE(list->count(), 256);
        QCOMPARE(list->itemText(0), QStringLiteral("Auto"));
        QCOMPARE(list->itemText(7), QStringLiteral("7"));
        QCOMPARE(list->itemText(255), QStringLiteral("255"));
        QCOMPARE(list->model()->index(7, 1).data().toString(),
                 QStringLiteral("/dev/tavix-test-device"));
        // The current port shows although the list lacks it.
        QCOMPARE(list->currentText(), QStringLiteral("256"));

        auto *device = child<QLabel>(window, "lblDevice");
        list->setCurrentIndex(7);
        QVERIFY(device->text().contains(QStringLiteral("/dev/tavix-test-device")));
        list->setEditText(QStringLiteral("Auto"));
        QVERIFY(!device->text().contains(u'/'));

        // Shown again, it is the same window.
        rig.program->showSerialSet();
        QCOMPARE(rig.program->serialSetWindow(), window);
        QCOMPARE(list->count(), 256);
    }

    void applyReloadsTheMainWindow()
    {
        ProgramRig rig(3);
        rig.open();
        QPointer<frmMain1> first = rig.program->mainWindow();
        rig.prompter->shown.clear();
        rig.program->showSerialSet();
        QPointer<frmSerialSet> window = rig.program->serialSetWindow();
        child<QComboBox>(window, "cmbCommPort")->setEditText(QStringLiteral("3"));
        QTest::mouseClick(child<QPushButton>(window, "cmdApply"), Qt::LeftButton);

        QCOMPARE(rig.settings(), QByteArray("BaudRate=460800\r\nCommPort=3\r\n"));
        QVERIFY(rig.program->mainWindow());
        QVERIFY(rig.program->mainWindow() != first.data());
        QVERIFY(rig.prompter->shown.isEmpty());
        QCOMPARE(rig.comm->PortNumber(), qint16(3));
        QVERIFY(rig.comm->PortOpen());
        QVERIFY(!rig.program->serialSetWindow());
        deleteUnloaded();
        QVERIFY(!window);
        QVERIFY(!first);
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
            QTest::mouseClick(child<QPushButton>(window, "cmdCancel"), Qt::LeftButton);
        else if (how == u"close")
            window->findChild<QAction *>(QStringLiteral("mnuFileClose"))->trigger();
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
        rig.program->serialSetWindow()->findChild<QAction *>(QStringLiteral("mnuFileExit"))->trigger();
        QVERIFY(rig.program->exiting());
        QVERIFY(!rig.program->mainWindow());
        QVERIFY(!rig.program->serialSetWindow());
        QVERIFY(!rig.program->helpWindow());
        QVERIFY(!rig.comm->PortOpen());
    }

    void searchFindsTheUnitAndHandsOver()
    {
        ProgramRig rig(2);
        rig.program->declarations().AutoSearchPending = true;
        frmMain1 *main = rig.open();
        QVERIFY(main->controller().timers().Timer3.isActive());
        main->controller().Timer3_Timer();

        QPointer<frmSerialSearch> window = rig.program->serialSearchWindow();
        QVERIFY(window);
        QVERIFY(window->isVisible());
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
        QVERIFY(rig.comm->PortOpen());

        window->search().Timer2_Timer();
        QCOMPARE(rig.settings(), QByteArray("BaudRate=460800\r\nCommPort=2\r\n"));
        QVERIFY(rig.program->mainWindow() != main);
        QCOMPARE(rig.comm->PortNumber(), qint16(2));
        QCOMPARE(rig.comm->written(), QByteArray("q\r"));
        QVERIFY(!rig.program->serialSearchWindow());
        deleteUnloaded();
        QVERIFY(!window);
        QVERIFY(rig.prompter->shown.isEmpty());
    }

    void searchFindingNothingTellsTheMainWindow()
    {
        ProgramRig rig(300);
        rig.program->declarations().AutoSearchPending = true;
        rig.open();
        rig.program->showSerialSearch();
        QPointer<frmSerialSearch> window = rig.program->serialSearchWindow();
        window->search().Timer1_Timer();
        QCOMPARE(rig.prompter->texts(),
                 QStringList{QStringLiteral("Cannot Find Tavix, make sure unit is conected!")});
        QCOMPARE(rig.program->mainWindow()->status(),
                 QStringLiteral("Communication Error, check connections!"));
        QCOMPARE(rig.program->declarations().CommPort, qint16(256));
        deleteUnloaded();
        QVERIFY(!window);

        // The selection then opens on the port the search left behind.
        rig.program->showSerialSet();
        QCOMPARE(child<QComboBox>(rig.program->serialSetWindow(), "cmbCommPort")->currentText(),
                 QStringLiteral("256"));
    }

    void searchWindowClosedWhileSearching()
    {
        ProgramRig rig(200);
        rig.program->declarations().AutoSearchPending = true;
        rig.open();
        rig.program->showSerialSearch();
        QPointer<frmSerialSearch> window = rig.program->serialSearchWindow();
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
        rig.program->declarations().AutoSearchPending = true;
        rig.open();
        rig.program->showSerialSearch();
        QPointer<frmSerialSearch> old = rig.program->serialSearchWindow();
        old->search().Timer1_Timer();  // found, waiting for the hand-over

        rig.program->declarations().AutoSearchPending = true;
        rig.program->reloadMainWindow();
        rig.program->showSerialSearch();
        QVERIFY(rig.program->serialSearchWindow());
        QVERIFY(rig.program->serialSearchWindow() != old.data());
        deleteUnloaded();
        QVERIFY(!old);
        QVERIFY(!QFile::exists(rig.paths.settingsFile));
    }

    void helpShowsTheFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("lines");
        QTest::newRow("several lines") << QByteArray("One\r\nTwo\r\n\r\nFour")
                                       << QStringLiteral("One\nTwo\n\nFour") << 4;
        QTest::newRow("empty") << QByteArray() << QString() << 1;
    }
    void helpShowsTheFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QFETCH(int, lines);
        ProgramRig rig;
        QVERIFY(rig.writeFile(rig.paths.helpFile, bytes));
        rig.open();
        rig.program->mainWindow()->findChild<QAction *>(QStringLiteral("mnuHelpHelp"))->trigger();
        frmHelp *window = rig.program->helpWindow();
        QVERIFY(window);
        QVERIFY(window->isVisible());
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
        QTest::mouseClick(child<QPushButton>(window, "cmdClose"), Qt::LeftButton);
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
        rig.open();
        rig.program->mainWindow()->findChild<QAction *>(QStringLiteral("mnuHelpAbout"))->trigger();
        frmAbout *window = rig.program->aboutWindow();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Tavix"));
        QCOMPARE(child<QLabel>(window, "lblVersion")->text(), versionText());
        QCOMPARE(child<QLabel>(window, "lblName")->text(), QStringLiteral("Tavix Message Monitor"));
        QVERIFY(!child<QLabel>(window, "lblCoprright")->text().isEmpty());
        QVERIFY(window->findChildren<QPushButton *>().isEmpty());
        rig.program->showAbout();
        QCOMPARE(rig.program->aboutWindow(), window);

        QPointer<frmAbout> going = window;
        window->close();
        QVERIFY(!rig.program->aboutWindow());
        deleteUnloaded();
        QVERIFY(!going);
    }

    void selectionAfterTheStartUpQuestionOpensTheMainWindow()
    {
        ProgramRig rig;
        // The answer Yes: no main window yet.
        rig.program->showSerialSet();
        QVERIFY(!rig.program->mainWindow());
        auto *window = rig.program->serialSetWindow();
        child<QComboBox>(window, "cmbCommPort")->setEditText(QStringLiteral("1"));
        QTest::mouseClick(child<QPushButton>(window, "cmdApply"), Qt::LeftButton);
        QVERIFY(rig.program->mainWindow());
        QVERIFY(rig.program->mainWindow()->isVisible());
        QVERIFY(rig.prompter->shown.isEmpty());
    }
};

QTEST_MAIN(tst_ui_portwindows)
#include "tst_ui_portwindows.moc"
