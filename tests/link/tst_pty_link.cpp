#include "support/LinkFixture.h"
#include "support/PtyUnit.h"

#include "link/CommandExchange.h"
#include "link/LowLatency.h"
#include "link/PortMap.h"

#include <QElapsedTimer>
#include <QTest>

using namespace Qt::StringLiterals;

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

const QByteArray Identity("Tavix v1.0");

QByteArray ask(SaxComm &comm)
{
    return exchange(comm, 'q', {}, 10, 500);
}

// A serial driver's flags kept in memory: what the port asks of them is recorded, and no real
// port is ever changed.
struct DriverStandIn : SerialDriverFlags {
    std::optional<int> flags(int) override { return current; }
    bool setFlags(int, int flags) override
    {
        asked << flags;
        current = refuses ? current : flags;
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
    // The device takes the rate and 8N1 as the settings name them, refused ones change nothing,
    // and control characters a cooked terminal would act on cross untouched; a read
    // stops at its count, leaving the rest for the next one.
    void lineSettingsAndRawBytes()
    {
        Ports ports;
        PtyUnit unit;
        const QString identity = u"\r\n\x03\x11\x13\x7fTavi"_s;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(ports.dir, 1, { u"--identity"_s, identity }));
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
        const QList<std::tuple<const char *, speed_t, bool>> steps {
            { "9600,N,8,1", B9600, false }, { "460800N,8,1", B460800, false }, { "9600E,8,1", B460800, true }
        };
        for (const auto &[settings, speed, refused] : steps) {
            comm->LineSettings(QString::fromLatin1(settings));
            QCOMPARE(faultOf(*comm), refused ? std::optional(CommFault::BadSettings) : std::nullopt);
            QCOMPARE(frame(), (QList<int> { int(speed), CS8 }));
        }
        ::close(watcher);
        sendCommand(*comm, 'q');
        QCOMPARE(readReply(*comm, 4, 500), QByteArray("\r\n\x03\x11"));
        QCOMPARE(readReply(*comm, 10, 200), QByteArray("\x13\x7fTavi"));
        QCOMPARE(readReply(*comm, 10, 50), QByteArray());
        QCOMPARE(faultOf(*comm), std::nullopt);
    }

    // One holder at a time; closing releases the port, and opening while open follows
    // PortNumber: the port it names, not the one already open.
    void portIsExclusiveAndFollowsItsNumber()
    {
        Ports ports;
        PtyUnit one;
        PtyUnit two;
        const QString identity = u"--identity"_s;
        START_PTY_UNIT(one, PtyUnit::linkArguments(ports.dir, 1, { identity, u"Tavix one!"_s }));
        START_PTY_UNIT(two, PtyUnit::linkArguments(ports.dir, 2, { identity, u"Tavix two!"_s }));
        const auto first = ports.open(1);
        const auto second = ports.open(1);
        QCOMPARE(faultOf(*second), CommFault::OpenFailed);
        QVERIFY(first->PortOpen() && !second->PortOpen());
        first->PortOpen(false);
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

    // While open the driver is asked for low latency, and its own flags come back at closing; a
    // driver without flags (a pseudo-terminal's own, which every other test here has) or one that
    // refuses leaves the port working as it is, without a word.
    void lowLatency_data()
    {
        QTest::addColumn<std::optional<int>>("flags");
        QTest::addColumn<bool>("refuses");
        QTest::addColumn<QList<int>>("asked");
        const int old = 0x0040;
        const int low = old | LowLatencyFlag;
        QTest::newRow("set while open, the old back") << std::optional(old) << false << QList<int> { low, old };
        QTest::newRow("already low latency") << std::optional(low) << false << QList<int> {};
        QTest::newRow("no flags") << std::optional<int>() << false << QList<int> {};
        QTest::newRow("driver refuses") << std::optional(old) << true << QList<int> { low };
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
        const auto comm = ports.open(1, driver);
        QCOMPARE(ask(*comm), Identity);
        QCOMPARE(driver.asked, asked.mid(0, 1));
        comm->PortOpen(false);
        QCOMPARE(driver.asked, asked);
        QCOMPARE(driver.current, flags);
        QCOMPARE(faultOf(*comm), std::nullopt);
    }

    // A unit that vanishes is dead from then on, at once, and a port that does not open stays
    // closed: commands started anyway end far below their wait of 10 s, and the program goes on.
    void deadPortNeverBlocks_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("entry"); // what ports/com<number> is made as
        QTest::addColumn<bool>("writeFirst");
        QTest::addColumn<QString>("problem"); // why it did not open; empty: it opened
        const QString unit = u"unit"_s;
        const QString none = u"There is no serial port %1."_s;
        const int unused = int(systemSerialPorts().size() + 1);
        const QString refused = u"Serial port 1 ("_s;
        QTest::newRow("vanished after a write") << 1 << unit << true << QString();
        QTest::newRow("vanished, read alone") << 1 << unit << false << QString();
        QTest::newRow("no device for the number") << unused << QString() << true << none.arg(unused);
        QTest::newRow("number 0") << 0 << QString() << true << none.arg(0);
        QTest::newRow("number 256") << 256 << QString() << true << none.arg(256);
        QTest::newRow("dangling link") << 1 << u"gone/pts/99"_s << true << refused;
        QTest::newRow("link to a plain file") << 1 << u"plain"_s << true << refused;
    }
    void deadPortNeverBlocks()
    {
        QFETCH(int, number);
        QFETCH(QString, entry);
        QFETCH(QString, problem);
        Ports ports;
        PtyUnit unit;
        if (entry == u"unit")
            START_PTY_UNIT(unit, PtyUnit::linkArguments(ports.dir));
        else if (!entry.isEmpty())
            QVERIFY(ports.link(number, ports.folder.filePath(entry)));
        if (entry == u"plain")
            QVERIFY(QFile(ports.folder.filePath(entry)).open(QIODevice::WriteOnly));
        const auto comm = ports.open(number);
        const auto opening = comm->takeError();
        QCOMPARE(opening.has_value(), !problem.isEmpty());
        if (opening) {
            QCOMPARE(opening->fault, CommFault::OpenFailed);
            QVERIFY2(opening->text.startsWith(problem), qPrintable(opening->text));
        } else {
            QCOMPARE(ask(*comm), Identity);
            unit.kill();
        }
        QElapsedTimer clock;
        clock.start();
        QFETCH(bool, writeFirst);
        if (writeFirst)
            sendCommand(*comm, 'q');
        for (int attempt = 0; attempt < 2; ++attempt) {
            QCOMPARE(readReply(*comm, 10, 10000), QByteArray());
            const auto error = comm->takeError();
            const QString gone = u"The serial device %1 is gone."_s.arg(unit.devicePath().section(u'/', 2));
            QCOMPARE(error ? error->text : QString(), opening ? u"The serial port is not open."_s : gone);
            sendCommand(*comm, 'q');
        }
        DrainInput(*comm);
        QCOMPARE_LT(clock.elapsed(), 5000);
        comm->PortOpen(false);
        QVERIFY(!comm->PortOpen());
    }
};

QTEST_GUILESS_MAIN(tst_pty_link)
#include "tst_pty_link.moc"
