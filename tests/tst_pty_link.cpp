#include "support/PtyUnit.h"
#include "support/UnitFixture.h"

#include "link/CommandExchange.h"
#include "link/PortMap.h"
#include "link/SerialPortComm.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(CommFault)

namespace {

QStringList linkArguments(const QString &portsDir, const QStringList &more = {})
{
    return QStringList{QStringLiteral("--link"), QDir(portsDir).filePath(QStringLiteral("com1"))} + more;
}

// A port number no device answers to here: past every port the system reports.
qint16 unusedPortNumber()
{
    return static_cast<qint16>(systemSerialPorts().size() + 1);
}

std::optional<CommFault> faultOf(SaxComm &comm)
{
    const auto error = comm.takeError();
    return error ? std::optional<CommFault>(error->fault) : std::nullopt;
}

}  // namespace

// The QSerialPort backend against tavix-unit-sim on a pseudo-terminal, and the port mapping.
class tst_pty_link : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void connectionCheck_data()
    {
        QTest::addColumn<QStringList>("simArguments");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("directoryTimerOn");

        const QStringList none;
        const QStringList notConnected{QStringLiteral("Tavix not connected!")};
        QTest::newRow("good reply passes silently") << none << none << true;
        QTest::newRow("Tavix among other characters passes")
            << QStringList{QStringLiteral("--identity"), QStringLiteral("xxTavix123")} << none << true;
        QTest::newRow("other letter case fails")
            << QStringList{QStringLiteral("--identity"), QStringLiteral("TAVIX v1.0")} << notConnected << false;
        QTest::newRow("silent unit fails") << QStringList{QStringLiteral("--silent")} << notConnected << false;
    }
    void connectionCheck()
    {
        QFETCH(QStringList, simArguments);
        QFETCH(QStringList, messages);
        QFETCH(bool, directoryTimerOn);

        UnitFixture fixture;
        PtyUnit unit;
        START_PTY_UNIT(unit, linkArguments(fixture.paths.portsDir, simArguments));

        fixture.declarations.CommPort = 1;
        fixture.declarations.BaudRate = QStringLiteral("460800");
        MainController controller(fixture.declarations, fixture.paths,
                                  std::make_unique<SerialPortComm>(fixture.paths.portsDir),
                                  fixture.surface, fixture.prompter, fixture.windows);
        controller.Form_Load();

        QCOMPARE(fixture.prompter.texts(), messages);
        QVERIFY(controller.comm().PortOpen());
        QCOMPARE(controller.timers().Timer2.isActive(), directoryTimerOn);
        QCOMPARE(controller.timers().Timer5.isActive(), !directoryTimerOn);
        QCOMPARE(fixture.surface.status(),
                 directoryTimerOn ? QString() : QStringLiteral("Communication Error!"));
    }

    void connectionCheckOnMissingPort()
    {
        UnitFixture fixture;
        fixture.declarations.CommPort = unusedPortNumber();
        MainController controller(fixture.declarations, fixture.paths,
                                  std::make_unique<SerialPortComm>(fixture.paths.portsDir),
                                  fixture.surface, fixture.prompter, fixture.windows);
        controller.Form_Load();
        QCOMPARE(fixture.prompter.texts(), QStringList{QStringLiteral("Communications Error, check Com Port!")});
        QVERIFY(!controller.comm().PortOpen());
        QVERIFY(controller.timers().Timer5.isActive());
    }

    // Control characters that a cooked terminal would echo, translate or act on must cross
    // untouched, and a read stops at its count, leaving the rest for the next one.
    void bytesCrossUnchangedAndBeyondTheCountWait()
    {
        QTemporaryDir folder;
        const QString portsDir = folder.filePath(QStringLiteral("ports"));
        const QString identity = QStringLiteral("\r\n\x03\x11\x13\x7f") + QStringLiteral("Tavi");
        PtyUnit unit;
        START_PTY_UNIT(unit, linkArguments(portsDir, {QStringLiteral("--identity"), identity}));

        SerialPortComm comm(portsDir);
        comm.PortNumber(1);
        comm.PortOpen(true);
        QVERIFY(comm.PortOpen());
        comm.LineSettings(QStringLiteral("460800N,8,1"));
        sendCommand(comm, 'q');
        QCOMPARE(readReply(comm, 4, 500), QByteArray("\r\n\x03\x11"));
        // Six are left: a short read that ends when its wait runs out.
        QCOMPARE(readReply(comm, 10, 200), QByteArray("\x13\x7fTavi"));
        QCOMPARE(readReply(comm, 10, 50), QByteArray());
        QCOMPARE(faultOf(comm), std::nullopt);
    }

    void portIsExclusiveAndReleasedOnClose()
    {
        QTemporaryDir folder;
        const QString portsDir = folder.filePath(QStringLiteral("ports"));
        PtyUnit unit;
        START_PTY_UNIT(unit, linkArguments(portsDir));

        auto first = std::make_unique<SerialPortComm>(portsDir);
        first->PortNumber(1);
        first->PortOpen(true);
        QVERIFY(first->PortOpen());

        SerialPortComm second(portsDir);
        second.PortNumber(1);
        second.PortOpen(true);
        QVERIFY(!second.PortOpen());
        QCOMPARE(faultOf(second), CommFault::OpenFailed);

        // Closing and opening again keeps the unit reachable: the simulator never hangs up.
        first->PortOpen(false);
        QVERIFY(!first->PortOpen());
        first->PortOpen(true);
        QCOMPARE(exchange(*first, 'q', {}, 10, 500), QByteArray("Tavix v1.0"));

        first.reset();
        second.PortOpen(true);
        QVERIFY(second.PortOpen());
        QCOMPARE(exchange(second, 'q', {}, 10, 500), QByteArray("Tavix v1.0"));
        QCOMPARE(faultOf(second), std::nullopt);
    }

    void vanishedUnit_data()
    {
        QTest::addColumn<bool>("writeFirst");
        QTest::newRow("write, then read") << true;
        QTest::newRow("read alone") << false;
    }
    void vanishedUnit()
    {
        QFETCH(bool, writeFirst);
        QTemporaryDir folder;
        const QString portsDir = folder.filePath(QStringLiteral("ports"));
        PtyUnit unit;
        START_PTY_UNIT(unit, linkArguments(portsDir));

        SerialPortComm comm(portsDir);
        comm.PortNumber(1);
        comm.PortOpen(true);
        QCOMPARE(exchange(comm, 'q', {}, 10, 500), QByteArray("Tavix v1.0"));
        unit.kill();

        QElapsedTimer clock;
        clock.start();
        if (writeFirst)
            sendCommand(comm, 'q');
        // Far below the wait of 10 s: a vanished device does not hold the window.
        QCOMPARE(readReply(comm, 10, 10000), QByteArray());
        QCOMPARE_LT(clock.elapsed(), 5000);
        QCOMPARE(faultOf(comm), CommFault::Gone);

        // Dead from then on, at once, and closing it is fine.
        sendCommand(comm, 'q');
        QCOMPARE(readReply(comm, 10, 10000), QByteArray());
        QCOMPARE_LT(clock.elapsed(), 5000);
        QCOMPARE(faultOf(comm), CommFault::Gone);
        comm.PortOpen(false);
        QVERIFY(!comm.PortOpen());
    }

    void portThatDoesNotOpen_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("entry");  // what ports/com<number> is made as
        QTest::newRow("no device for the number") << int(unusedPortNumber()) << QString();
        QTest::newRow("number 0") << 0 << QString();
        QTest::newRow("number 256") << 256 << QString();
        QTest::newRow("dangling link") << 1 << QStringLiteral("dangling");
        QTest::newRow("link to a plain file") << 1 << QStringLiteral("file");
    }
    void portThatDoesNotOpen()
    {
        QFETCH(int, number);
        QFETCH(QString, entry);
        QTemporaryDir folder;
        const QString portsDir = folder.filePath(QStringLiteral("ports"));
        QVERIFY(QDir().mkpath(portsDir));
        const QString link = QDir(portsDir).filePath(QStringLiteral("com%1").arg(number));
        if (entry == QStringLiteral("dangling"))
            QVERIFY(QFile::link(folder.filePath(QStringLiteral("gone/pts/99")), link));
        if (entry == QStringLiteral("file")) {
            QFile file(folder.filePath(QStringLiteral("plain")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(QFile::link(file.fileName(), link));
        }

        SerialPortComm comm(portsDir);
        comm.PortNumber(static_cast<qint16>(number));
        comm.PortOpen(true);
        QVERIFY(!comm.PortOpen());
        QCOMPARE(faultOf(comm), CommFault::OpenFailed);

        // Commands started anyway neither block nor end the program.
        QElapsedTimer clock;
        clock.start();
        sendCommand(comm, 'q');
        QCOMPARE(readReply(comm, 10, 10000), QByteArray());
        DrainInput(comm);
        QCOMPARE_LT(clock.elapsed(), 5000);
        QCOMPARE(faultOf(comm), CommFault::NotOpen);
    }

    void lineSettings_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("rate directly followed by N,8,1") << QStringLiteral("460800N,8,1") << true;
        QTest::newRow("comma before N") << QStringLiteral("9600,N,8,1") << true;
        QTest::newRow("rate the system has no constant for") << QStringLiteral("250000N,8,1") << true;
        QTest::newRow("even parity") << QStringLiteral("460800E,8,1") << false;
        QTest::newRow("seven data bits") << QStringLiteral("460800N,7,1") << false;
        QTest::newRow("two stop bits") << QStringLiteral("460800N,8,2") << false;
        QTest::newRow("no rate") << QStringLiteral("N,8,1") << false;
        QTest::newRow("rate 0") << QStringLiteral("0N,8,1") << false;
        QTest::newRow("negative rate") << QStringLiteral("-9600N,8,1") << false;
        QTest::newRow("words") << QStringLiteral("fastN,8,1") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void lineSettings()
    {
        QFETCH(QString, settings);
        QFETCH(bool, accepted);
        QTemporaryDir folder;
        const QString portsDir = folder.filePath(QStringLiteral("ports"));
        PtyUnit unit;
        START_PTY_UNIT(unit, linkArguments(portsDir));

        SerialPortComm comm(portsDir);
        comm.PortNumber(1);
        comm.PortOpen(true);
        QVERIFY(comm.PortOpen());
        comm.LineSettings(settings);
        QCOMPARE(faultOf(comm), accepted ? std::nullopt : std::optional(CommFault::BadSettings));
        // Refused settings leave the port as it was.
        QCOMPARE(exchange(comm, 'q', {}, 10, 500), QByteArray("Tavix v1.0"));
    }

    void lineSettingsOnClosedPort()
    {
        SerialPortComm comm(QString{});
        comm.LineSettings(QStringLiteral("460800N,8,1"));
        QCOMPARE(faultOf(comm), CommFault::NotOpen);
        comm.LineSettings(QStringLiteral("460800X,8,1"));
        QCOMPARE(faultOf(comm), CommFault::BadSettings);
    }

    // At 1200 baud the 2 bytes of "q" and the 10 of its reply take 100 ms on the line; the
    // simulator must not be faster than that.
    void pacedUnitIsNeverFasterThanTheLine()
    {
        QTemporaryDir folder;
        const QString portsDir = folder.filePath(QStringLiteral("ports"));
        PtyUnit unit;
        START_PTY_UNIT(unit, linkArguments(portsDir, {QStringLiteral("--baud"), QStringLiteral("1200")}));

        SerialPortComm comm(portsDir);
        comm.PortNumber(1);
        comm.PortOpen(true);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(exchange(comm, 'q', {}, 10, 2000), QByteArray("Tavix v1.0"));
        QCOMPARE_GE(clock.elapsed(), 99);
    }

    void portMapping_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("linkTarget");  // empty: no link com<number>
        QTest::addColumn<QStringList>("systemPorts");
        QTest::addColumn<QString>("device");

        const QStringList system{QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0")};
        QTest::newRow("link present") << 1 << QStringLiteral("/dev/pts/7") << system
                                      << QStringLiteral("/dev/pts/7");
        QTest::newRow("link beats the system's port") << 2 << QStringLiteral("/dev/pts/7") << system
                                                      << QStringLiteral("/dev/pts/7");
        QTest::newRow("dangling link names its target")
            << 1 << QStringLiteral("/nonexistent/pts/42") << system << QStringLiteral("/nonexistent/pts/42");
        QTest::newRow("no link: first system port") << 1 << QString() << system << QStringLiteral("/dev/ttyS0");
        QTest::newRow("no link: second system port") << 2 << QString() << system << QStringLiteral("/dev/ttyUSB0");
        QTest::newRow("no link, past the system's ports") << 3 << QString() << system << QString();
        QTest::newRow("number 0") << 0 << QString() << system << QString();
        QTest::newRow("number 256") << 256 << QString() << system << QString();
        QTest::newRow("number 255, link present") << 255 << QStringLiteral("/dev/pts/9") << system
                                                  << QStringLiteral("/dev/pts/9");
    }
    void portMapping()
    {
        QFETCH(int, number);
        QFETCH(QString, linkTarget);
        QFETCH(QStringList, systemPorts);
        QFETCH(QString, device);
        QTemporaryDir folder;
        const QString portsDir = folder.filePath(QStringLiteral("ports"));
        QVERIFY(QDir().mkpath(portsDir));
        // A link for another number must not matter.
        QVERIFY(QFile::link(QStringLiteral("/dev/pts/1"), QDir(portsDir).filePath(QStringLiteral("com10"))));
        if (!linkTarget.isEmpty())
            QVERIFY(QFile::link(linkTarget, QDir(portsDir).filePath(QStringLiteral("com%1").arg(number))));

        QCOMPARE(portDevice(number, portsDir, systemPorts), device);
        if (number >= FirstPortNumber && number <= LastPortNumber) {
            const QList<PortAssignment> all = portAssignments(portsDir, systemPorts);
            QCOMPARE(all.size(), 255);
            QCOMPARE(all.at(number - 1).number, number);
            QCOMPARE(all.at(number - 1).device, device);
        }
    }

    void systemPortsAreSortedByDevice()
    {
        const QStringList ports = systemSerialPorts();
        QStringList sorted = ports;
        sorted.sort();
        QCOMPARE(ports, sorted);
        QTemporaryDir folder;
        const QList<PortAssignment> all = portAssignments(folder.path());
        for (qsizetype i = 0; i < all.size(); ++i) {
            QCOMPARE(all.at(i).number, int(i) + 1);
            QCOMPARE(all.at(i).device, i < ports.size() ? ports.at(i) : QString());
        }
    }
};

QTEST_GUILESS_MAIN(tst_pty_link)
#include "tst_pty_link.moc"
