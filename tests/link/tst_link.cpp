#include "support/LineScript.h"
#include "support/LinkFixture.h"
#include "support/PortSystemStandIn.h"

#include "UnitEngine.h"
#include "VirtualClock.h"
#include "link/CommandExchange.h"
#include "link/LineSettings.h"
#include "link/PortInventory.h"
#include "link/PortMap.h"
#include "link/PortPins.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString AdapterById = u"/dev/serial/by-id/usb-Lintel_UX2_A10K-if00-port0"_s;
const QString GoneById = u"/dev/serial/by-id/usb-Gone_Adapter-if00-port0"_s;

// A unit on port 1 of the in-process line, on the virtual clock, answering `point` as `kind` says.
struct Line {
    Line(const char *point, int kind, const QByteArray &bytes)
    {
        using F = UnitEngine::Fault;
        unit.injectFault({ .point = point, .kind = F::Kind(kind), .replacement = bytes, .delayMs = 2000 + 5000 });
        comm.PortNumber(1);
        comm.PortOpen(true);
    }
    VirtualClock clock;
    UnitEngine unit;
    SimComm comm { unit, clock };
};

} // namespace

// The link layer's rules where no device is needed: the shape of every exchange, the discard
// before it and the drain after it, byte for byte on the virtual clock; port numbers to devices,
// the pins that hold a number to an adapter and what the port windows and the command line show
// of each number; the line settings text.
class tst_link : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void drainReadsUntilShort_data()
    {
        QTest::addColumn<int>("waiting");
        QTest::addColumn<int>("unaskedPerSecond");
        QTest::addColumn<QList<int>>("reads"); // bytes each read got; empty: not compared
        QTest::addColumn<bool>("silent");
        QTest::addColumn<int>("elapsedMs");
        QTest::newRow("nothing waiting: one read") << 0 << 0 << QList<int> { 0 } << true << 200;
        QTest::newRow("25 waiting: 10, 10, 5") << 25 << 0 << QList<int> { 10, 10, 5 } << true << 200;
        QTest::newRow("20 waiting: 10, 10, 0") << 20 << 0 << QList<int> { 10, 10, 0 } << true << 200;
        // Bounded by the line's time, not by a count of reads: about two seconds, then false.
        QTest::newRow("50 bytes a second for an hour") << 0 << 50 << QList<int>() << false << 2180;
    }
    void drainReadsUntilShort()
    {
        QFETCH(int, waiting);
        QFETCH(int, unaskedPerSecond);
        QFETCH(QList<int>, reads);
        Line l("q", UnitEngine::Fault::Replace, QByteArray(waiting, 'x'));
        sendCommand(l.comm, 'q');
        l.unit.sendUnasked(unaskedPerSecond, 0, 3600 * 1000);
        l.comm.clearLine();
        QTEST(DrainInput(l.comm), "silent");
        QTEST(int(l.clock.now()), "elapsedMs");
        QStringList expected;
        for (int got : reads)
            expected << drainOf(got);
        QCOMPARE(reads.isEmpty() ? expected : lineScript(l.comm), expected);
    }

    // Each part its own write, then one read; a short or wrong reply is drained, and what is left
    // of it never becomes the reply to the next command: here a register read a user's pause later.
    void exchangeAndLeftovers_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("afterWrite"); // the write's read, its drain and the discard
        using F = UnitEngine::Fault;
        const auto row = [](const char *name, F::Kind kind, const QByteArray &bytes, const QStringList &after) {
            QTest::newRow(name) << int(kind) << bytes << after;
        };
        row("answered", F::Replace, "Kx", { readOf(2, 2000, 2), discardOf(0) });
        row("silent", F::NoReply, {}, { readOf(2, 2000, 0), drainOf(0), discardOf(0) });
        row("answered 5 s after the wait", F::Delay, {}, { readOf(2, 2000, 0), drainOf(0), discardOf(2) });
        row("two bytes too many", F::Append, "xy", { readOf(2, 2000, 2), discardOf(2) });
        row("wrong letter", F::Replace, "NOPE", { readOf(2, 2000, 2), drainOf(2), discardOf(0) });
    }
    void exchangeAndLeftovers()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, afterWrite);
        Line l("W", kind, bytes);
        l.unit.setRegister(9, 9);
        const auto accepted = [](const QByteArray &reply) { return reply.startsWith('K'); };
        exchange(l.comm, 'W', { byteText(1), byteText(0) }, 2, 2000, accepted);
        l.clock.advance(10000);
        QCOMPARE(exchange(l.comm, 'R', { byteText(9) }, 2, 2000), QByteArray("\x09K"));
        QCOMPARE(lineScript(l.comm), command({ "W", "\\x01", "\\x00", "\\r" }) + afterWrite
                + writes({ "R", "\\x09", "\\r" }) << readOf(2, 2000, 2));
    }

    void inventory_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("pin"); // empty: no link com<number>
        QTest::addColumn<QString>("group"); // that owns the devices
        QTest::addColumn<QStringList>("shown"); // device, adapter, access, hint, pinned
        const auto row = [](const char *name, int number, const QString &pin, QStringList shown,
                             const char *group = "") {
            shown << (pin.isEmpty() ? QString() : u"pinned"_s);
            QTest::newRow(name) << number << pin << QString::fromLatin1(group) << shown;
        };
        const QString ux2 = u"UX2 USB Serial, Lintel, serial A10K"_s;
        const QString ns1 = u"NS1 Bridge, Norby, serial 0001"_s;
        row("1: first by device path", 1, {}, { u"/dev/ttyACM0"_s, {}, u"ok"_s, {} });
        row("2: no permission, the group and the command", 2, {},
            { u"/dev/ttyUSB0"_s, ns1, u"no permission (group dialout)"_s,
                QStringLiteral("No permission to open /dev/ttyUSB0: it belongs to the group dialout. Add yourself to "
                               "that group with \"sudo usermod -aG dialout $USER\", then log out and in again.") },
            "dialout");
        row("2: no permission, group unknown", 2, {},
            { u"/dev/ttyUSB0"_s, ns1, u"no permission"_s,
                QStringLiteral("No permission to open /dev/ttyUSB0. Add yourself to the group that owns it (dialout "
                               "on Debian and Ubuntu, uucp on others), then log out and in again.") });
        row("3: last system port", 3, {}, { u"/dev/ttyUSB1"_s, ux2, u"ok"_s, {} });
        row("4: past the system's ports", 4, {}, { {}, {}, u"ok"_s, {} });
        row("5: pinned, described through its stable path", 5, AdapterById, { AdapterById, ux2, u"ok"_s, {} });
        row("8: pinned adapter unplugged", 8, GoneById,
            { GoneById, {}, u"not connected"_s, u"Nothing is connected at %1."_s.arg(GoneById) });
        row("255: pinned", 255, u"/dev/pts/9"_s, { u"/dev/pts/9"_s, {}, u"ok"_s, {} });
    }
    void inventory()
    {
        QFETCH(int, number);
        QFETCH(QString, pin);
        Ports ports;
        // Links of the neighbours must not matter.
        QVERIFY(ports.link(number - 1, u"/dev/pts/1"_s) && ports.link(number + 1, u"/dev/pts/2"_s));
        if (!pin.isEmpty())
            QCOMPARE(pinPort(ports.dir, number, pin), std::nullopt);
        // Three ports, reported out of order: by device path they are ttyACM0, ttyUSB0, ttyUSB1.
        PortSystemStandIn system;
        system.list = { { u"/dev/ttyUSB1"_s, u"UX2 USB Serial"_s, u"Lintel"_s, u"A10K"_s, AdapterById },
            { u"/dev/ttyACM0"_s, {}, {}, {}, {} },
            { u"/dev/ttyUSB0"_s, u"NS1 Bridge"_s, u"Norby"_s, u"0001"_s, u"/dev/serial/by-id/usb-Norby_NS1_0001"_s } };
        system.noPermission = { u"/dev/ttyUSB0"_s };
        system.missing = { GoneById };
        QFETCH(QString, group);
        system.group = group;
        const QList<PortInventoryRow> rows = portInventory(ports.dir, system);
        QCOMPARE(rows.size(), 255);
        const PortInventoryRow &row = rows.at(number - 1);
        QCOMPARE(row.number, number);
        const QString pinned = row.pinned ? u"pinned"_s : QString();
        QTEST(QStringList({ row.device, row.adapterText(), row.accessSummary(), row.accessText(), pinned }), "shown");
        // The serial component opens what the window shows.
        const QStringList sorted { u"/dev/ttyACM0"_s, u"/dev/ttyUSB0"_s, u"/dev/ttyUSB1"_s };
        QCOMPARE(portDevice(number, ports.dir, sorted), row.device);
    }

    // Only a link is replaced or removed, only numbers 1 to 255 exist; unpinned, a number follows
    // the system's order again.
    void pins()
    {
        Ports ports;
        const QStringList system { u"/dev/ttyS0"_s };
        QVERIFY(ports.link(0, GoneById) && ports.link(256, GoneById));
        QCOMPARE(portDevice(0, ports.dir, system) + portDevice(256, ports.dir, system), QString());
        for (const int number : { 0, 256 })
            QCOMPARE(pinPort(ports.dir, number, AdapterById), u"%1 is not a port number from 1 to 255."_s.arg(number));
        QCOMPARE(pinPort(ports.dir, 1, QString()), u"Port 1 has no device to pin."_s);

        QCOMPARE(pinPort(ports.dir, 1, GoneById), std::nullopt);
        QCOMPARE(pinPort(ports.dir, 1, AdapterById), std::nullopt);
        QCOMPARE(portDevice(1, ports.dir, system), AdapterById);
        QCOMPARE(unpinPort(ports.dir, 1), std::nullopt);
        QCOMPARE(portDevice(1, ports.dir, system), u"/dev/ttyS0"_s);
        QVERIFY(!isPortLink(1, ports.dir));

        QVERIFY(QFile(ports.path(6)).open(QIODevice::WriteOnly));
        QCOMPARE(pinPort(ports.dir, 6, AdapterById), ports.path(6) + u" is not a link; it is left alone."_s);
        QCOMPARE(unpinPort(ports.dir, 6), std::nullopt);
        QVERIFY(QFile::exists(ports.path(6)) && !isPortLink(6, ports.dir));
    }

    void lineSettingsText()
    {
        const QList<std::pair<const char *, int>> rows { { "460800N,8,1", 460800 }, { "9600,N,8,1", 9600 },
            { "250000n,8,1", 250000 }, { "460800E,8,1", 0 }, { "460800N,7,1", 0 }, { "460800N,8,2", 0 },
            { "N,8,1", 0 }, { "0N,8,1", 0 }, { "-9600N,8,1", 0 }, { "+9600N,8,1", 0 }, { "fastN,8,1", 0 }, { "", 0 } };
        for (const auto &[text, baud] : rows)
            QVERIFY2(parseLineSettings(QString::fromLatin1(text)).value_or(0) == baud, text);
    }
};

QTEST_GUILESS_MAIN(tst_link)
#include "tst_link.moc"
