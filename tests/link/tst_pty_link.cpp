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

using namespace Qt::StringLiterals;

namespace {

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
    // and control characters a cooked terminal would act on cross untouched; a read stops at its
    // count, leaving the rest for the next one.
    void lineSettingsAndRawBytes()
    {
        Ports ports;
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(ports.dir, 1, { u"--identity"_s, u"\r\n\x03\x11\x13\x7fTavi"_s }));
        // Opened before the port, since an open port admits no one else; it only looks.
        const int watcher = ::open(qPrintable(unit.devicePath()), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        const auto comm = ports.open();
        const QList<std::tuple<const char *, speed_t, bool>> steps {
            { "9600,N,8,1", B9600, false }, { "460800N,8,1", B460800, false }, { "9600E,8,1", B460800, true } };
        for (const auto &[settings, speed, refused] : steps) {
            comm->LineSettings(QString::fromLatin1(settings));
            QCOMPARE(faultOf(*comm), refused ? std::optional(CommFault::BadSettings) : std::nullopt);
            termios t {};
            QCOMPARE(::tcgetattr(watcher, &t), 0);
            const int frame = int(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS));
            QCOMPARE((QList<int> { int(cfgetispeed(&t)), int(cfgetospeed(&t)), frame }),
                (QList<int> { int(speed), int(speed), CS8 }));
        }
        ::close(watcher);
        sendCommand(*comm, 'q');
        QCOMPARE(readReply(*comm, 4, 500), QByteArray("\r\n\x03\x11"));
        QCOMPARE(readReply(*comm, 10, 200), QByteArray("\x13\x7fTavi"));
        QCOMPARE(readReply(*comm, 10, 50), QByteArray());
        QCOMPARE(faultOf(*comm), std::nullopt);
    }

    // One holder at a time, and the port is let go at closing. While open the driver is asked for
    // low latency and its own flags come back at closing; one that refuses leaves the port working,
    // without a word, as a driver without such flags does (a pseudo-terminal's, in every other test).
    void exclusiveWithLowLatency()
    {
        Ports ports;
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(ports.dir));
        const int old = 0x0040, low = old | LowLatencyFlag;
        for (const bool refuses : { false, true }) {
            DriverStandIn driver;
            driver.current = old;
            driver.refuses = refuses;
            const auto comm = ports.open(1, driver);
            QCOMPARE(ask(*comm), "Tavix v1.0");
            QCOMPARE(faultOf(*ports.open(1)), CommFault::OpenFailed);
            QCOMPARE(driver.asked, QList<int> { low });
            comm->PortOpen(false);
            QCOMPARE(driver.asked, refuses ? QList<int>({ low }) : QList<int>({ low, old }));
            QCOMPARE(driver.current, old);
            QCOMPARE(faultOf(*comm), std::nullopt);
        }
    }

    // A unit that vanishes is dead from then on, at once, and a port that does not open stays
    // closed: commands started anyway end far below their wait of 10 s, and the program goes on.
    void deadPortNeverBlocks_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("entry"); // what ports/com<number> is made as
        QTest::addColumn<QString>("problem"); // why it did not open, %1 the link's target; empty: it opened
        const int unused = int(systemSerialPorts().size() + 1);
        QTest::newRow("vanished after a write") << 1 << u"unit"_s << QString();
        QTest::newRow("vanished, read alone") << 1 << u"unit, read"_s << QString();
        QTest::newRow("vanished, read of nothing") << 1 << u"unit, read nothing"_s << QString();
        QTest::newRow("no device for the number")
            << unused << QString() << u"There is no serial port %1."_s.arg(unused);
        QTest::newRow("dangling link") << 1 << u"gone/pts/99"_s << u"Serial port 1 (%1) could not be opened: "_s;
    }
    void deadPortNeverBlocks()
    {
        QFETCH(int, number);
        QFETCH(QString, entry);
        QFETCH(QString, problem);
        Ports ports;
        PtyUnit unit;
        if (entry.startsWith(u"unit"))
            START_PTY_UNIT(unit, PtyUnit::linkArguments(ports.dir));
        else if (!entry.isEmpty())
            QVERIFY(ports.link(number, ports.folder.filePath(entry)));
        const auto comm = ports.open(number);
        const auto opening = comm->takeError();
        const QString text = opening ? opening->text : QString();
        QVERIFY2(opening.has_value() == !problem.isEmpty()
                && (!opening
                    || (opening->fault == CommFault::OpenFailed
                        && text.startsWith(entry.isEmpty() ? problem : problem.arg(ports.folder.filePath(entry))))),
            qPrintable(text));
        if (!opening) {
            QCOMPARE(ask(*comm), "Tavix v1.0");
            unit.kill();
        }
        QElapsedTimer clock;
        clock.start();
        if (entry == u"unit")
            sendCommand(*comm, 'q');
        const QString gone = u"The serial device %1 is gone."_s.arg(unit.devicePath().section(u'/', 2));
        for (int attempt = 0; attempt < 2; ++attempt) {
            QCOMPARE(readReply(*comm, attempt == 0 && entry == u"unit, read nothing" ? 0 : 10, 10000), QByteArray());
            const auto error = comm->takeError();
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
