#include "support/LinkFixture.h"
#include "support/PtyUnit.h"

#include "link/CommandExchange.h"
#include "link/LowLatency.h"
#include "link/PortMap.h"

#include <QElapsedTimer>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

Q_DECLARE_METATYPE(CommFault)

namespace {

const QByteArray Identity("Tavix v1.0");

QByteArray ask(SaxComm &comm)
{
    return exchange(comm, 'q', {}, 10, 500);
}

// A serial driver's flags kept in memory: what the port asks of them is recorded, and no real
// port is ever changed.
class DriverStandIn : public SerialDriverFlags {
public:
    std::optional<int> flags(int) override { return current; }
    bool setFlags(int, int flags) override
    {
        asked << flags;
        if (!refuses)
            current = flags;
        return !refuses;
    }

    std::optional<int> current;
    bool refuses = false;
    QList<int> asked;
};

} // namespace

// The serial component on a real port: tavix-unit-sim on a pseudo-terminal.
class tst_pty_link : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The device takes the rate and 8N1 as the settings name them, refused settings change
    // nothing, and control characters a cooked terminal would act on cross untouched; a read
    // stops at its count, leaving the rest for the next one.
    void lineSettingsAndRawBytes()
    {
        Ports ports;
        PtyUnit unit;
        const QString identity = QStringLiteral("\r\n\x03\x11\x13\x7fTavi");
        START_PTY_UNIT(unit, PtyUnit::linkArguments(ports.dir, 1, { QStringLiteral("--identity"), identity }));
        // Opened before the port, since an open port admits no one else; it only looks.
        const int watcher = ::open(qPrintable(unit.devicePath()), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        QVERIFY(watcher >= 0);
        const auto comm = ports.open();
        const auto frame = [watcher] {
            termios t {};
            ::tcgetattr(watcher, &t);
            const int speed = cfgetospeed(&t) == cfgetispeed(&t) ? int(cfgetospeed(&t)) : -1;
            return QList<int> { speed, int(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS)) };
        };
        comm->LineSettings(QStringLiteral("9600,N,8,1"));
        QCOMPARE(frame(), (QList<int> { B9600, CS8 }));
        comm->LineSettings(QStringLiteral("460800N,8,1"));
        QCOMPARE(frame(), (QList<int> { B460800, CS8 }));
        QCOMPARE(faultOf(*comm), std::nullopt);
        comm->LineSettings(QStringLiteral("9600E,8,1"));
        QCOMPARE(faultOf(*comm), CommFault::BadSettings);
        QCOMPARE(frame(), (QList<int> { B460800, CS8 }));
        ::close(watcher);

        sendCommand(*comm, 'q');
        QCOMPARE(readReply(*comm, 4, 500), QByteArray("\r\n\x03\x11"));
        QCOMPARE(readReply(*comm, 10, 200), QByteArray("\x13\x7fTavi"));
        QCOMPARE(readReply(*comm, 10, 50), QByteArray());
        QCOMPARE(faultOf(*comm), std::nullopt);

        // On a closed port a settings fault still comes before "not open".
        SerialPortComm closed { QString() };
        closed.LineSettings(QStringLiteral("460800E,8,1"));
        QCOMPARE(faultOf(closed), CommFault::BadSettings);
        closed.LineSettings(QStringLiteral("460800N,8,1"));
        QCOMPARE(faultOf(closed), CommFault::NotOpen);
    }

    // One holder at a time; closing releases the port, and opening while open follows
    // PortNumber: the port it names, not the one already open.
    void portIsExclusiveAndFollowsItsNumber()
    {
        Ports ports;
        PtyUnit one;
        PtyUnit two;
        const QString identity = QStringLiteral("--identity");
        START_PTY_UNIT(one, PtyUnit::linkArguments(ports.dir, 1, { identity, QStringLiteral("Tavix one!") }));
        START_PTY_UNIT(two, PtyUnit::linkArguments(ports.dir, 2, { identity, QStringLiteral("Tavix two!") }));
        const auto first = ports.open(1);
        const auto second = ports.open(1);
        QVERIFY(first->PortOpen());
        QVERIFY(!second->PortOpen());
        QCOMPARE(faultOf(*second), CommFault::OpenFailed);
        first->PortOpen(false);
        QVERIFY(!first->PortOpen());
        first->PortOpen(true);
        QCOMPARE(ask(*first), QByteArray("Tavix one!"));

        first->PortNumber(2);
        first->PortOpen(true);
        QCOMPARE(ask(*first), QByteArray("Tavix two!"));
        second->PortOpen(true);
        QCOMPARE(ask(*second), QByteArray("Tavix one!"));
        first->PortNumber(0);
        first->PortOpen(true);
        QVERIFY(!first->PortOpen());
        QCOMPARE(faultOf(*first), CommFault::OpenFailed);
        QCOMPARE(faultOf(*second), std::nullopt);
    }

    // While open the driver is asked for low latency, and its own flags come back at closing;
    // a driver without flags (this pseudo-terminal's own, through the system's calls) or one
    // that refuses leaves the port working as it is, without a word.
    void lowLatency_data()
    {
        QTest::addColumn<bool>("standIn");
        QTest::addColumn<std::optional<int>>("flags");
        QTest::addColumn<bool>("refuses");
        QTest::addColumn<QList<int>>("asked");
        const int old = 0x0040;
        QTest::newRow("flags kept: set while open, the old ones back")
            << true << std::optional(old) << false << QList<int> { old | LowLatencyFlag, old };
        QTest::newRow("already low latency: left alone")
            << true << std::optional(old | LowLatencyFlag) << false << QList<int> {};
        QTest::newRow("driver keeps no flags") << true << std::optional<int>() << false << QList<int> {};
        QTest::newRow("driver refuses: nothing to put back")
            << true << std::optional(old) << true << QList<int> { old | LowLatencyFlag };
        QTest::newRow("the system's calls on a pseudo-terminal")
            << false << std::optional<int>() << false << QList<int> {};
    }
    void lowLatency()
    {
        QFETCH(std::optional<int>, flags);
        QFETCH(QList<int>, asked);
        Ports ports;
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(ports.dir));
        DriverStandIn driver;
        driver.current = flags;
        QFETCH(bool, refuses);
        driver.refuses = refuses;
        QFETCH(bool, standIn);
        SerialPortComm comm(ports.dir, standIn ? driver : SerialDriverFlags::system());
        comm.PortNumber(1);
        comm.PortOpen(true);
        QCOMPARE(ask(comm), Identity);
        QCOMPARE(driver.asked, asked.mid(0, 1));
        comm.PortOpen(false);
        QCOMPARE(driver.asked, asked);
        QCOMPARE(driver.current, flags);
        QCOMPARE(faultOf(comm), std::nullopt);
    }

    // Dead from then on, at once, far below the wait of 10 s: a vanished device does not hold
    // the window.
    void vanishedUnit_data()
    {
        QTest::addColumn<bool>("writeFirst");
        QTest::newRow("write, then read") << true;
        QTest::newRow("read alone") << false;
    }
    void vanishedUnit()
    {
        QFETCH(bool, writeFirst);
        Ports ports;
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(ports.dir));
        const auto comm = ports.open();
        QCOMPARE(ask(*comm), Identity);
        unit.kill();
        QElapsedTimer clock;
        clock.start();
        if (writeFirst)
            sendCommand(*comm, 'q');
        for (int attempt = 0; attempt < 2; ++attempt) {
            QCOMPARE(readReply(*comm, 10, 10000), QByteArray());
            QCOMPARE(faultOf(*comm), CommFault::Gone);
            sendCommand(*comm, 'q');
        }
        QCOMPARE_LT(clock.elapsed(), 5000);
        comm->PortOpen(false);
        QVERIFY(!comm->PortOpen());
    }

    // Commands started anyway neither block nor end the program.
    void portThatDoesNotOpen_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("entry"); // what ports/com<number> is made as
        QTest::newRow("no device for the number") << int(systemSerialPorts().size() + 1) << QString();
        QTest::newRow("number 0") << 0 << QString();
        QTest::newRow("number 256") << 256 << QString();
        QTest::newRow("dangling link") << 1 << QStringLiteral("gone/pts/99");
        QTest::newRow("link to a plain file") << 1 << QStringLiteral("plain");
    }
    void portThatDoesNotOpen()
    {
        QFETCH(int, number);
        QFETCH(QString, entry);
        Ports ports;
        if (entry == u"plain")
            QVERIFY(QFile(ports.folder.filePath(entry)).open(QIODevice::WriteOnly));
        if (!entry.isEmpty())
            QVERIFY(ports.link(number, ports.folder.filePath(entry)));
        const auto comm = ports.open(number);
        QVERIFY(!comm->PortOpen());
        QCOMPARE(faultOf(*comm), CommFault::OpenFailed);
        QElapsedTimer clock;
        clock.start();
        sendCommand(*comm, 'q');
        QCOMPARE(readReply(*comm, 10, 10000), QByteArray());
        DrainInput(*comm);
        QCOMPARE_LT(clock.elapsed(), 5000);
        QCOMPARE(faultOf(*comm), CommFault::NotOpen);
    }
};

QTEST_GUILESS_MAIN(tst_pty_link)
#include "tst_pty_link.moc"
