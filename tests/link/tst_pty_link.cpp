#include "support/PortSystemStandIn.h"
#include "support/PtyUnit.h"
#include "support/UnitFixture.h"

#include "link/CommandExchange.h"
#include "link/LowLatency.h"
#include "link/PortInventory.h"
#include "link/PortMap.h"
#include "link/PortPins.h"
#include "link/SerialPortComm.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(CommFault)

namespace {

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

// A scratch ports folder whose com1 the simulator links to.
struct Ports {
    QTemporaryDir folder;
    const QString dir = folder.filePath(QStringLiteral("ports"));

    std::unique_ptr<SerialPortComm> open(qint16 number = 1) const
    {
        auto comm = std::make_unique<SerialPortComm>(dir);
        comm->PortNumber(number);
        comm->PortOpen(true);
        return comm;
    }
};

const QByteArray Identity("Tavix v1.0");
const char *const AdapterById = "/dev/serial/by-id/usb-Lintel_UX2_A10K-if00-port0";
const char *const GoneById = "/dev/serial/by-id/usb-Gone_Adapter-if00-port0";

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

}  // namespace

// The QSerialPort backend against tavix-unit-sim on a pseudo-terminal, and the port mapping.
class tst_pty_link : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void connectionCheck_data()
    {
        QTest::addColumn<QStringList>("simArguments");
        QTest::addColumn<bool>("passes");
        QTest::newRow("good reply passes silently") << QStringList() << true;
        QTest::newRow("silent unit fails") << QStringList{QStringLiteral("--silent")} << false;
    }
    void connectionCheck()
    {
        QFETCH(QStringList, simArguments);
        QFETCH(bool, passes);
        UnitFixture fixture;
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(fixture.paths.portsDir, 1, simArguments));

        fixture.declarations.CommPort = 1;
        fixture.declarations.BaudRate = QStringLiteral("460800");
        MainController controller(fixture.declarations, fixture.paths,
                                  std::make_unique<SerialPortComm>(fixture.paths.portsDir),
                                  fixture.surface, fixture.prompter, fixture.windows);
        controller.Form_Load();

        QCOMPARE(fixture.prompter.texts(),
                 passes ? QStringList() : QStringList{QStringLiteral("Tavix not connected!")});
        QVERIFY(controller.comm().PortOpen());
        QCOMPARE(controller.timers().Timer2.isActive(), passes);
        QCOMPARE(controller.timers().Timer5.isActive(), !passes);
        QCOMPARE(fixture.surface.status(), passes ? QString() : QStringLiteral("Communication Error!"));
    }

    // Control characters that a cooked terminal would echo, translate or act on must cross
    // untouched, and a read stops at its count, leaving the rest for the next one.
    void bytesCrossUnchangedAndBeyondTheCountWait()
    {
        Ports ports;
        const QString identity = QStringLiteral("\r\n\x03\x11\x13\x7f") + QStringLiteral("Tavi");
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(ports.dir, 1, {QStringLiteral("--identity"), identity}));

        const auto comm = ports.open();
        QVERIFY(comm->PortOpen());
        comm->LineSettings(QStringLiteral("460800N,8,1"));
        sendCommand(*comm, 'q');
        QCOMPARE(readReply(*comm, 4, 500), QByteArray("\r\n\x03\x11"));
        // Six are left: a short read that ends when its wait runs out.
        QCOMPARE(readReply(*comm, 10, 200), QByteArray("\x13\x7fTavi"));
        QCOMPARE(readReply(*comm, 10, 50), QByteArray());
        QCOMPARE(faultOf(*comm), std::nullopt);
    }

    void portIsExclusiveAndReleasedOnClose()
    {
        Ports ports;
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(ports.dir));

        auto first = ports.open();
        QVERIFY(first->PortOpen());
        const auto second = ports.open();
        QVERIFY(!second->PortOpen());
        QCOMPARE(faultOf(*second), CommFault::OpenFailed);

        // Closing and opening again keeps the unit reachable: the simulator never hangs up.
        first->PortOpen(false);
        QVERIFY(!first->PortOpen());
        first->PortOpen(true);
        QCOMPARE(exchange(*first, 'q', {}, 10, 500), Identity);

        first.reset();
        second->PortOpen(true);
        QCOMPARE(exchange(*second, 'q', {}, 10, 500), Identity);
        QCOMPARE(faultOf(*second), std::nullopt);
    }

    // Opening while open follows PortNumber: the port it names, not the one already open.
    void openWhileOpenFollowsPortNumber_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QByteArray>("reply");  // empty: the port does not open
        QTest::newRow("the same number keeps the port") << 1 << QByteArray("Tavix one!");
        QTest::newRow("another unit's number") << 2 << QByteArray("Tavix two!");
        QTest::newRow("a number without a device") << 0 << QByteArray();
    }
    void openWhileOpenFollowsPortNumber()
    {
        QFETCH(int, number);
        QFETCH(QByteArray, reply);
        Ports ports;
        PtyUnit one;
        PtyUnit two;
        const QString identity = QStringLiteral("--identity");
        START_PTY_UNIT(one, PtyUnit::linkArguments(ports.dir, 1, {identity, QStringLiteral("Tavix one!")}));
        START_PTY_UNIT(two, PtyUnit::linkArguments(ports.dir, 2, {identity, QStringLiteral("Tavix two!")}));
        const auto comm = ports.open(1);
        QVERIFY(comm->PortOpen());

        comm->PortNumber(static_cast<qint16>(number));
        comm->PortOpen(true);
        QCOMPARE(comm->PortOpen(), !reply.isEmpty());
        const auto fault = reply.isEmpty() ? std::optional(CommFault::OpenFailed) : std::nullopt;
        QCOMPARE(faultOf(*comm), fault);
        if (!reply.isEmpty())
            QCOMPARE(exchange(*comm, 'q', {}, 10, 500), reply);
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
            << true << std::optional(old) << false << QList<int>{old | LowLatencyFlag, old};
        QTest::newRow("already low latency: left alone")
            << true << std::optional(old | LowLatencyFlag) << false << QList<int>{};
        QTest::newRow("driver keeps no flags") << true << std::optional<int>() << false << QList<int>{};
        QTest::newRow("driver refuses: nothing to put back")
            << true << std::optional(old) << true << QList<int>{old | LowLatencyFlag};
        QTest::newRow("the system's calls on a pseudo-terminal")
            << false << std::optional<int>() << false << QList<int>{};
    }
    void lowLatency()
    {
        QFETCH(bool, standIn);
        QFETCH(std::optional<int>, flags);
        QFETCH(bool, refuses);
        QFETCH(QList<int>, asked);
        Ports ports;
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(ports.dir));
        DriverStandIn driver;
        driver.current = flags;
        driver.refuses = refuses;
        SerialPortComm comm(ports.dir, standIn ? driver : SerialDriverFlags::system());
        comm.PortNumber(1);
        comm.PortOpen(true);
        QCOMPARE(exchange(comm, 'q', {}, 10, 500), Identity);
        QCOMPARE(driver.asked, asked.mid(0, 1));
        comm.PortOpen(false);
        QCOMPARE(driver.asked, asked);
        QCOMPARE(driver.current, flags);
        QCOMPARE(faultOf(comm), std::nullopt);
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
        Ports ports;
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(ports.dir));
        const auto comm = ports.open();
        QCOMPARE(exchange(*comm, 'q', {}, 10, 500), Identity);
        unit.kill();

        QElapsedTimer clock;
        clock.start();
        if (writeFirst)
            sendCommand(*comm, 'q');
        // Then dead from then on, at once. Far below the wait of 10 s: a vanished device does
        // not hold the window.
        for (int attempt = 0; attempt < 2; ++attempt) {
            QCOMPARE(readReply(*comm, 10, 10000), QByteArray());
            QCOMPARE(faultOf(*comm), CommFault::Gone);
            sendCommand(*comm, 'q');
        }
        QCOMPARE_LT(clock.elapsed(), 5000);
        comm->PortOpen(false);
        QVERIFY(!comm->PortOpen());
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
        Ports ports;
        QVERIFY(QDir().mkpath(ports.dir));
        const QString link = QDir(ports.dir).filePath(QStringLiteral("com%1").arg(number));
        const QString target = ports.folder.filePath(entry == u"file" ? QStringLiteral("plain")
                                                                      : QStringLiteral("gone/pts/99"));
        if (entry == u"file")
            QVERIFY(QFile(target).open(QIODevice::WriteOnly));
        if (!entry.isEmpty())
            QVERIFY(QFile::link(target, link));

        const auto comm = ports.open(static_cast<qint16>(number));
        QVERIFY(!comm->PortOpen());
        QCOMPARE(faultOf(*comm), CommFault::OpenFailed);

        // Commands started anyway neither block nor end the program.
        QElapsedTimer clock;
        clock.start();
        sendCommand(*comm, 'q');
        QCOMPARE(readReply(*comm, 10, 10000), QByteArray());
        DrainInput(*comm);
        QCOMPARE_LT(clock.elapsed(), 5000);
        QCOMPARE(faultOf(*comm), CommFault::NotOpen);
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
        Ports ports;
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(ports.dir));
        const auto comm = ports.open();
        QVERIFY(comm->PortOpen());
        comm->LineSettings(settings);
        QCOMPARE(faultOf(*comm), accepted ? std::nullopt : std::optional(CommFault::BadSettings));
        // Refused settings leave the port as it was.
        QCOMPARE(exchange(*comm, 'q', {}, 10, 500), Identity);

        // On a closed port a settings fault still comes before "not open".
        SerialPortComm closed{QString()};
        closed.LineSettings(settings);
        QCOMPARE(faultOf(closed), accepted ? CommFault::NotOpen : CommFault::BadSettings);
    }

    // The simulator must never be faster than what it models: at 1200 baud the 2 bytes of "q"
    // and the 10 of its reply take 100 ms on the line; behind an adapter's latency timer the
    // reply waits for the timer, and comes whole.
    void pacedUnitIsNeverFasterThanTheLine_data()
    {
        QTest::addColumn<QStringList>("simArguments");
        QTest::addColumn<int>("leastMs");
        QTest::newRow("1200 baud") << QStringList{QStringLiteral("--baud"), QStringLiteral("1200")} << 99;
        QTest::newRow("adapter latency 150 ms")
            << QStringList{QStringLiteral("--adapter-latency-ms"), QStringLiteral("150")} << 150;
    }
    void pacedUnitIsNeverFasterThanTheLine()
    {
        QFETCH(QStringList, simArguments);
        QFETCH(int, leastMs);
        Ports ports;
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(ports.dir, 1, simArguments));
        const auto comm = ports.open();
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(exchange(*comm, 'q', {}, 10, 2000), Identity);
        QCOMPARE_GE(clock.elapsed(), leastMs);
    }

    void portMapping_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("linkTarget");  // empty: no link com<number>
        QTest::addColumn<QString>("device");
        const auto row = [](const char *name, int number, const char *link, const char *device) {
            QTest::newRow(name) << number << QString::fromLatin1(link) << QString::fromLatin1(device);
        };
        // The numbers in between: see inventory().
        row("no link: first system port", 1, "", "/dev/ttyS0");
        row("number 0", 0, "", "");
        row("number 256", 256, "", "");
        row("number 255, link present", 255, "/dev/pts/9", "/dev/pts/9");
    }
    void portMapping()
    {
        QFETCH(int, number);
        QFETCH(QString, linkTarget);
        QFETCH(QString, device);
        const QStringList system{QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0")};
        Ports ports;
        QVERIFY(QDir().mkpath(ports.dir));
        // A link for another number must not matter.
        QVERIFY(QFile::link(QStringLiteral("/dev/pts/1"), QDir(ports.dir).filePath(QStringLiteral("com10"))));
        if (!linkTarget.isEmpty())
            QVERIFY(QFile::link(linkTarget, QDir(ports.dir).filePath(QStringLiteral("com%1").arg(number))));

        QCOMPARE(portDevice(number, ports.dir, system), device);
        if (number >= FirstPortNumber && number <= LastPortNumber) {
            const QList<PortAssignment> all = portAssignments(ports.dir, system);
            QCOMPARE(all.size(), 255);
            QCOMPARE(all.at(number - 1).number, number);
            QCOMPARE(all.at(number - 1).device, device);
        }
    }

    // What the port windows and the command line show of each number.
    void inventory_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("linkTarget");  // empty: no link com<number>
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("adapter");
        QTest::addColumn<QString>("access");
        QTest::addColumn<QString>("hint");  // part of the access text; empty: none
        QTest::addColumn<bool>("pinned");
        const auto row = [](const char *name, int number, const char *link, const char *device,
                            const char *adapter, const char *access, const char *hint, bool pinned) {
            QTest::newRow(name) << number << QString::fromLatin1(link) << QString::fromLatin1(device)
                                << QString::fromLatin1(adapter) << QString::fromLatin1(access)
                                << QString::fromLatin1(hint) << pinned;
        };
        row("numbered by device path; nothing said of it", 1, "", "/dev/ttyACM0", "", "ok", "", false);
        row("no permission: the owning group and the command", 2, "", "/dev/ttyUSB0",
            "NS1 Bridge, Norby, serial 0001", "no permission (group dialout)",
            "sudo usermod -aG dialout $USER", false);
        row("pinned: the link, described through its stable path", 3, AdapterById, AdapterById,
            "UX2 USB Serial, Lintel, serial A10K", "ok", "", true);
        row("pinned adapter unplugged: the link names it still", 8, GoneById, GoneById, "",
            "not connected", "Nothing is connected at", true);
        row("past the system's ports", 4, "", "", "", "ok", "", false);
    }
    void inventory()
    {
        QFETCH(int, number);
        QFETCH(QString, linkTarget);
        QFETCH(QString, device);
        QFETCH(QString, adapter);
        QFETCH(QString, access);
        QFETCH(QString, hint);
        QFETCH(bool, pinned);
        PortSystemStandIn system;
        system.list = {
            {QStringLiteral("/dev/ttyUSB1"), QStringLiteral("UX2 USB Serial"), QStringLiteral("Lintel"),
             QStringLiteral("A10K"), QString::fromLatin1(AdapterById)},
            {QStringLiteral("/dev/ttyACM0"), {}, {}, {}, {}},
            {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("NS1 Bridge"), QStringLiteral("Norby"),
             QStringLiteral("0001"), QStringLiteral("/dev/serial/by-id/usb-Norby_NS1_0001-if00-port0")},
        };
        system.noPermission = {QStringLiteral("/dev/ttyUSB0")};
        system.missing = {QString::fromLatin1(GoneById)};
        Ports ports;
        if (!linkTarget.isEmpty())
            QVERIFY(!pinPort(ports.dir, number, linkTarget));

        const QList<PortInventoryRow> rows = portInventory(ports.dir, system);
        QCOMPARE(rows.size(), 255);
        const PortInventoryRow &row = rows.at(number - 1);
        QCOMPARE(row.number, number);
        QCOMPARE(row.device, device);
        QCOMPARE(row.adapterText(), adapter);
        QCOMPARE(row.accessSummary(), access);
        QCOMPARE(row.accessText().isEmpty(), hint.isEmpty());
        QVERIFY2(row.accessText().contains(hint), qPrintable(row.accessText()));
        QCOMPARE(row.pinned, pinned);
    }

    // A number pinned to an adapter's stable path is found as pinned, and opening it reaches
    // that adapter; unpinned, the number follows the system's order again.
    void pinnedNumberOpensItsAdapter()
    {
        Ports ports;
        PtyUnit unit;
        START_PTY_UNIT(unit, QStringList());
        const QString byId = ports.folder.filePath(QStringLiteral("usb-Tavix_Adapter_0042-if00-port0"));
        QVERIFY(QFile::link(unit.devicePath(), byId));
        PortSystemStandIn system;
        system.list = {{unit.devicePath(), QStringLiteral("Tavix Adapter"), {}, {}, byId}};

        QCOMPARE(portInventory(ports.dir, system).at(0).identity(), byId);
        QCOMPARE(pinPort(ports.dir, 5, byId), std::nullopt);
        const PortInventoryRow pinned = portInventory(ports.dir, system).at(4);
        QVERIFY(pinned.pinned);
        QCOMPARE(pinned.device, byId);
        QCOMPARE(pinned.adapterText(), QStringLiteral("Tavix Adapter"));
        const auto comm = ports.open(5);
        QCOMPARE(exchange(*comm, 'q', {}, 10, 500), Identity);
        comm->PortOpen(false);

        QCOMPARE(unpinPort(ports.dir, 5), std::nullopt);
        QVERIFY(!portInventory(ports.dir, system).at(4).hasDevice());
        // Anything but a link at that name is left alone.
        QVERIFY(QFile(QDir(ports.dir).filePath(QStringLiteral("com6"))).open(QIODevice::WriteOnly));
        QVERIFY(pinPort(ports.dir, 6, byId).has_value());
        QVERIFY(!isPortLink(6, ports.dir));
    }
};

QTEST_GUILESS_MAIN(tst_pty_link)
#include "tst_pty_link.moc"
