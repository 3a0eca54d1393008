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
using F = UnitEngine::Fault;

// A unit on port 1 of the in-process line, on the virtual clock, answering `point` as `kind` says.
struct Line {
    Line(const char *point, int kind, const QByteArray &bytes)
    {
        unit.injectFault({ .point = point, .kind = F::Kind(kind), .replacement = bytes, .delayMs = 2000 + 5000 });
        comm.PortNumber(1);
        comm.PortOpen(true);
    }
    VirtualClock clock;
    UnitEngine unit;
    SimComm comm { unit, clock };
};

} // namespace

// The link layer's rules where no device is needed: every exchange with the discard before it
// and the drain after it, byte for byte on the virtual clock; port numbers to devices and pins;
// the line settings text.
class tst_link : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Reads of 10 until one comes short; a line that never stops talking is given up after
    // about two seconds of its own time, not after a count of reads.
    void drain()
    {
        for (const auto &[waiting, perSecond, silent, elapsedMs] :
            QList<std::tuple<int, int, bool, int>> { { 25, 0, true, 200 }, { 0, 50, false, 2180 } }) {
            Line l("q", F::Replace, QByteArray(waiting, 'x'));
            sendCommand(l.comm, 'q');
            l.unit.sendUnasked(perSecond, 0, 3600 * 1000);
            l.comm.clearLine();
            QCOMPARE(DrainInput(l.comm), silent);
            QCOMPARE(int(l.clock.now()), elapsedMs);
            QVERIFY(!silent || lineShort(l.comm) == u"~10 ~10 ~5");
        }
    }

    // Each part its own write, then one read; a short or wrong reply is drained, and what is left
    // of it never becomes the reply to the next command: here a register read a user's pause later.
    void exchangeAndLeftovers_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("afterWrite"); // the write's read, its drain and the discard
        QTest::newRow("answered") << int(F::Replace) << QByteArray("Kx") << u"2/2000 _"_s;
        QTest::newRow("answered 5 s after the wait") << int(F::Delay) << QByteArray() << u"2/2000:0 ~ _2"_s;
        QTest::newRow("wrong letter") << int(F::Replace) << QByteArray("NOPE") << u"2/2000 ~2 _"_s;
    }
    void exchangeAndLeftovers()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, bytes);
        Line l("W", kind, bytes);
        l.unit.setRegister(9, 9);
        exchange(l.comm, 'W', { byteText(1), byteText(0) }, 2, 2000,
            [](const QByteArray &r) { return r.startsWith('K'); });
        l.clock.advance(10000);
        QCOMPARE(exchange(l.comm, 'R', { byteText(9) }, 2, 2000), QByteArray("\x09K"));
        QFETCH(QString, afterWrite);
        QCOMPARE(lineShort(l.comm), u"_ W \\x01 \\x00 \\r %1 R \\x09 \\r 2/2000"_s.arg(afterWrite));
    }

    // What the port windows show of a number: device, adapter, access, hint, pinned.
    void inventory_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("pin"); // empty: no link com<number>
        QTest::addColumn<QString>("group"); // that owns the devices
        QTest::addColumn<QStringList>("shown");
        const auto row = [](const char *name, int number, const QString &pin, QStringList shown,
                             const char *group = "") {
            QTest::newRow(name) << number << pin << QString::fromLatin1(group)
                                << (shown << (pin.isEmpty() ? u""_s : u"pinned"_s));
        };
        const QString ux2 = u"UX2 USB Serial, Lintel, serial A10K"_s, ns1 = u"NS1 Bridge, Norby, serial 0001"_s;
        row("2: no permission, the group and the command", 2, {},
            { u"/dev/ttyUSB0"_s, ns1, u"no permission (group dialout)"_s,
                u"No permission to open /dev/ttyUSB0: it belongs to the group dialout. Add yourself to that group "
                "with \"sudo usermod -aG dialout $USER\", then log out and in again."_s }, "dialout");
        row("2: no permission, group unknown", 2, {},
            { u"/dev/ttyUSB0"_s, ns1, u"no permission"_s,
                u"No permission to open /dev/ttyUSB0. Add yourself to the group that owns it (dialout on Debian "
                "and Ubuntu, uucp on others), then log out and in again."_s });
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
        QVERIFY(pin.isEmpty() || !pinPort(ports.dir, number, pin));
        // Reported out of order: by device path they are ttyACM0, ttyUSB0, ttyUSB1.
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
        QTEST(QStringList({ row.device, row.adapterText(), row.accessSummary(), row.accessText(),
                  row.pinned ? u"pinned"_s : QString() }), "shown");
        // The serial component opens what the window shows.
        QCOMPARE(portDevice(number, ports.dir,
                     { u"/dev/ttyACM0"_s, u"/dev/ttyUSB0"_s, u"/dev/ttyUSB1"_s }),
            row.device);
    }

    // Only numbers 1 to 255 exist; only a link is replaced or removed; unpinned, a number
    // follows the system's order again.
    void pins()
    {
        Ports ports;
        const QStringList system { u"/dev/ttyS0"_s };
        QVERIFY(ports.link(0, GoneById) && ports.link(256, GoneById));
        QCOMPARE(portDevice(0, ports.dir, system) + portDevice(256, ports.dir, system), QString());
        QVERIFY(!pinPort(ports.dir, 1, GoneById) && !pinPort(ports.dir, 1, AdapterById));
        QCOMPARE(portDevice(1, ports.dir, system), AdapterById);
        QVERIFY(!unpinPort(ports.dir, 1) && !isPortLink(1, ports.dir));
        QCOMPARE(portDevice(1, ports.dir, system), u"/dev/ttyS0"_s);
        QVERIFY(QFile(ports.path(6)).open(QIODevice::WriteOnly));
        QCOMPARE(pinPort(ports.dir, 6, AdapterById), ports.path(6) + u" is not a link; it is left alone."_s);
        QVERIFY(!unpinPort(ports.dir, 6) && QFile::exists(ports.path(6)));
    }

    void lineSettingsText()
    {
        const QList<std::pair<const char *, int>> rows { { "1n,8,1", 1 }, { "0N,8,1", 0 }, { "460800N,8,2", 0 },
            { "+9600N,8,1", 0 }, { "fastN,8,1", 0 } };
        for (const auto &[text, baud] : rows)
            QVERIFY2(parseLineSettings(QString::fromLatin1(text)).value_or(0) == baud, text);
    }
};

QTEST_GUILESS_MAIN(tst_link)
#include "tst_link.moc"
