#include "support/PtyUnit.h"
#include "support/RecordingPrompter.h"

#include "settings/AppPaths.h"
#include "commands/MainController.h"
#include "link/PortMap.h"
#include "link/SerialPortComm.h"
#include "widgets/Program.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

// The port search over pseudo-terminals: tavix-unit-sim on a port link, the QSerialPort backend,
// the real windows offscreen. Ports without a link lead to this machine's own serial ports.
class tst_e2e_portsearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findsTheUnitOnAMappedPort_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QStringList>("simArguments");
        QTest::newRow("port 255, through all ports before it") << 255 << QStringList{};
        QTest::newRow("Tavix among other characters")
            << 7 << QStringList{QStringLiteral("--identity"), QStringLiteral("<<Tavix>>")};
    }
    void findsTheUnitOnAMappedPort()
    {
        QFETCH(int, port);
        QFETCH(QStringList, simArguments);
        if (port <= systemSerialPorts().size())
            QSKIP("this machine has a serial port of its own at that number");

        // The program as it runs for real, in its own folder; message boxes are recorded.
        QTemporaryDir folder;
        const AppPaths paths = AppPaths::inFolder(folder.path());
        auto recorder = std::make_unique<RecordingPrompter>();
        RecordingPrompter *prompter = recorder.get();
        Program program(paths, [&paths] { return std::make_unique<SerialPortComm>(paths.portsDir); },
                        std::move(recorder));
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(paths.portsDir, port, simArguments));

        // As after the answer No at start-up: the main window's Timer3 opens the search.
        program.declarations().AutoSearchPending = true;
        program.showMainWindow();
        program.mainWindow()->controller().timers().Timer2.stop();
        program.mainWindow()->controller().Timer3_Timer();
        frmSerialSearch *window = program.serialSearchWindow();
        QVERIFY(window);

        QElapsedTimer elapsed;
        elapsed.start();
        window->search().Timer1_Timer();
        qInfo("search found the unit on port %d after %lld ms (%lld system serial ports before it)", port,
              elapsed.elapsed(), static_cast<long long>(systemSerialPorts().size()));
        QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lblSearch"))->text(), QStringLiteral("Tavix Found!"));
        QCOMPARE(program.declarations().CommPort, qint16(port));

        window->search().Timer2_Timer();
        QFile settings(paths.settingsFile);
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QCOMPARE(settings.readAll(), "BaudRate=460800\r\nCommPort=" + QByteArray::number(port) + "\r\n");
        // The reloaded main window has opened the found port and passed its connection check.
        MainController &main = program.mainWindow()->controller();
        QVERIFY(main.comm().PortOpen());
        QVERIFY(main.timers().Timer2.isActive());
        QVERIFY(!main.timers().Timer5.isActive());
        QVERIFY(prompter->shown.isEmpty());
    }
};

QTEST_MAIN(tst_e2e_portsearch)
#include "tst_e2e_portsearch.moc"
