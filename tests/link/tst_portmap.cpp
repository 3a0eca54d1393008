#include "support/LinkFixture.h"
#include "support/PortSystemStandIn.h"

#include "link/LineSettings.h"
#include "link/PortInventory.h"
#include "link/PortMap.h"
#include "link/PortPins.h"

#include <QTest>

namespace {

const QString AdapterById = QStringLiteral("/dev/serial/by-id/usb-Lintel_UX2_A10K-if00-port0");
const QString GoneById = QStringLiteral("/dev/serial/by-id/usb-Gone_Adapter-if00-port0");

// Three ports, reported out of order: numbered by device path they are ttyACM0, ttyUSB0, ttyUSB1.
PortSystemStandIn threePorts(const QString &group)
{
    PortSystemStandIn system;
    system.list = {
        { QStringLiteral("/dev/ttyUSB1"), QStringLiteral("UX2 USB Serial"), QStringLiteral("Lintel"),
            QStringLiteral("A10K"), AdapterById },
        { QStringLiteral("/dev/ttyACM0"), {}, {}, {}, {} },
        { QStringLiteral("/dev/ttyUSB0"), QStringLiteral("NS1 Bridge"), QStringLiteral("Norby"),
            QStringLiteral("0001"), QStringLiteral("/dev/serial/by-id/usb-Norby_NS1_0001-if00-port0") },
    };
    system.noPermission = { QStringLiteral("/dev/ttyUSB0") };
    system.missing = { GoneById };
    system.group = group;
    return system;
}

} // namespace

// Port numbers to devices, the pins that hold a number to an adapter, what the port windows and
// the command line show of each number, and the line settings text.
class tst_portmap : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void inventory_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("pin"); // empty: no link com<number>
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("adapter");
        QTest::addColumn<QString>("access");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<bool>("pinned");
        const auto row = [](const char *name, int number, const QString &pin, const char *group,
                             const QString &device, const char *adapter, const char *access, const QString &hint) {
            QTest::newRow(name) << number << pin << QString::fromLatin1(group) << device << QString::fromLatin1(adapter)
                                << QString::fromLatin1(access) << hint << !pin.isEmpty();
        };
        const QString usb0 = QStringLiteral("/dev/ttyUSB0");
        row("1: first by device path", 1, {}, "dialout", QStringLiteral("/dev/ttyACM0"), "", "ok", {});
        row("2: no permission, the group and the command", 2, {}, "dialout", usb0, "NS1 Bridge, Norby, serial 0001",
            "no permission (group dialout)",
            QStringLiteral("No permission to open /dev/ttyUSB0: it belongs to the group dialout. Add yourself to "
                           "that group with \"sudo usermod -aG dialout $USER\", then log out and in again."));
        row("2: no permission, group unknown", 2, {}, "", usb0, "NS1 Bridge, Norby, serial 0001", "no permission",
            QStringLiteral("No permission to open /dev/ttyUSB0. Add yourself to the group that owns it (dialout "
                           "on Debian and Ubuntu, uucp on others), then log out and in again."));
        row("3: last system port", 3, {}, "", QStringLiteral("/dev/ttyUSB1"), "UX2 USB Serial, Lintel, serial A10K",
            "ok", {});
        row("4: past the system's ports", 4, {}, "", {}, "", "ok", {});
        row("5: pinned, described through its stable path", 5, AdapterById, "", AdapterById,
            "UX2 USB Serial, Lintel, serial A10K", "ok", {});
        row("8: pinned adapter unplugged", 8, GoneById, "", GoneById, "", "not connected",
            QStringLiteral("Nothing is connected at %1.").arg(GoneById));
        row("255: pinned", 255, QStringLiteral("/dev/pts/9"), "", QStringLiteral("/dev/pts/9"), "", "ok", {});
    }
    void inventory()
    {
        QFETCH(int, number);
        QFETCH(QString, pin);
        QFETCH(QString, group);
        Ports ports;
        // Links of the neighbours must not matter.
        QVERIFY(ports.link(number - 1, QStringLiteral("/dev/pts/1")));
        QVERIFY(ports.link(number + 1, QStringLiteral("/dev/pts/2")));
        if (!pin.isEmpty())
            QCOMPARE(pinPort(ports.dir, number, pin), std::nullopt);
        const PortSystemStandIn system = threePorts(group);

        const QList<PortInventoryRow> rows = portInventory(ports.dir, system);
        QCOMPARE(rows.size(), 255);
        const PortInventoryRow &row = rows.at(number - 1);
        QCOMPARE(row.number, number);
        QTEST(row.device, "device");
        QTEST(row.adapterText(), "adapter");
        QTEST(row.accessSummary(), "access");
        QTEST(row.accessText(), "hint");
        QTEST(row.pinned, "pinned");
        // The serial component opens what the window shows.
        QStringList sorted;
        for (const SystemPort &port : system.list)
            sorted << port.device;
        sorted.sort();
        QCOMPARE(portDevice(number, ports.dir, sorted), row.device);
    }

    // Only a link is replaced or removed, only numbers 1 to 255 exist; unpinned, a number follows
    // the system's order again.
    void pins()
    {
        Ports ports;
        const QStringList system { QStringLiteral("/dev/ttyS0") };
        QVERIFY(ports.link(0, QStringLiteral("/dev/pts/1")));
        QVERIFY(ports.link(256, QStringLiteral("/dev/pts/1")));
        QCOMPARE(portDevice(0, ports.dir, system), QString());
        QCOMPARE(portDevice(256, ports.dir, system), QString());
        QCOMPARE(pinPort(ports.dir, 0, AdapterById), QStringLiteral("0 is not a port number from 1 to 255."));
        QCOMPARE(pinPort(ports.dir, 256, AdapterById), QStringLiteral("256 is not a port number from 1 to 255."));
        QCOMPARE(pinPort(ports.dir, 1, QString()), QStringLiteral("Port 1 has no device to pin."));

        QCOMPARE(pinPort(ports.dir, 1, GoneById), std::nullopt);
        QCOMPARE(pinPort(ports.dir, 1, AdapterById), std::nullopt);
        QCOMPARE(portDevice(1, ports.dir, system), AdapterById);
        QVERIFY(isPortLink(1, ports.dir));
        QCOMPARE(unpinPort(ports.dir, 1), std::nullopt);
        QCOMPARE(portDevice(1, ports.dir, system), QStringLiteral("/dev/ttyS0"));
        QVERIFY(!isPortLink(1, ports.dir));

        QFile file(ports.path(6));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(pinPort(ports.dir, 6, AdapterById), ports.path(6) + QStringLiteral(" is not a link; it is left alone."));
        QCOMPARE(unpinPort(ports.dir, 6), std::nullopt);
        QVERIFY(QFile::exists(ports.path(6)));
        QVERIFY(!isPortLink(6, ports.dir));
    }

    void lineSettingsText_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("baud"); // 0: refused
        const auto row = [](const char *settings, int baud) { QTest::newRow(settings) << QString::fromLatin1(settings) << baud; };
        row("460800N,8,1", 460800);
        row("9600,N,8,1", 9600);
        row("250000n,8,1", 250000);
        row("460800E,8,1", 0);
        row("460800N,7,1", 0);
        row("460800N,8,2", 0);
        row("N,8,1", 0);
        row("0N,8,1", 0);
        row("-9600N,8,1", 0);
        row("+9600N,8,1", 0);
        row("fastN,8,1", 0);
        row("", 0);
    }
    void lineSettingsText()
    {
        QFETCH(QString, settings);
        QTEST(parseLineSettings(settings).value_or(0), "baud");
    }
};

QTEST_GUILESS_MAIN(tst_portmap)
#include "tst_portmap.moc"
