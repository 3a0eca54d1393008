#include "support/PortSystemStandIn.h"
#include "support/UnitFixture.h"

#include "commands/PortSelection.h"
#include "link/PortPins.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

QByteArray fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString byId(const QString &adapter)
{
    return QStringLiteral("/dev/serial/by-id/usb-%1-if00-port0").arg(adapter);
}

// "USB0:A USB1:B": adapter A on /dev/ttyUSB0, adapter B on /dev/ttyUSB1.
QList<SystemPort> adapters(const QString &plugged)
{
    QList<SystemPort> ports;
    const QStringList entries = plugged.split(u' ', Qt::SkipEmptyParts);
    for (const QString &entry : entries) {
        const QString adapter = entry.section(u':', 1);
        ports.append(SystemPort{QStringLiteral("/dev/tty") + entry.section(u':', 0, 0), adapter, {}, {},
                                byId(adapter)});
    }
    return ports;
}

}  // namespace

class tst_portselection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void applyNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint16>("port");

        QTest::newRow("a number from the list") << QStringLiteral("3") << qint16(3);
        QTest::newRow("text after a leading number") << QStringLiteral("12 (USB)") << qint16(12);
        QTest::newRow("first port") << QStringLiteral("1") << qint16(1);
        QTest::newRow("last port, rounded") << QStringLiteral("255.4") << qint16(255);
    }
    void applyNumber()
    {
        QFETCH(QString, text);
        QFETCH(qint16, port);

        UnitFixture f;
        // The baud rate text is written back unchanged, comma and all.
        f.declarations.BaudRate = QStringLiteral("115200,");
        QVERIFY(writeFile(f.paths.settingsFile, "BaudRate=9600\r\nCommPort=99\r\nold\r\n"));
        PortSelection selection(f.declarations, f.paths, f.prompter, f.windows);
        QVERIFY(selection.cmdApply_Click(text));

        QCOMPARE(f.declarations.CommPort, port);
        QVERIFY(!f.declarations.AutoSearchPending);
        QCOMPARE(fileText(f.paths.settingsFile),
                 "BaudRate=115200,\r\nCommPort=" + QByteArray::number(port) + "\r\n");
        QCOMPARE(f.windows.calls, QStringList{QStringLiteral("reload main")});
        QVERIFY(f.prompter.shown.isEmpty());
    }

    void applyAuto()
    {
        UnitFixture f;
        f.declarations.CommPort = 9;
        QVERIFY(writeFile(f.paths.settingsFile, "BaudRate=460800\r\nCommPort=9\r\n"));
        QVERIFY(QFile::setPermissions(f.paths.settingsFile, QFileDevice::ReadOwner));
        PortSelection selection(f.declarations, f.paths, f.prompter, f.windows);
        QVERIFY(selection.cmdApply_Click(QStringLiteral("Auto")));

        QVERIFY(f.declarations.AutoSearchPending);
        QCOMPARE(f.declarations.CommPort, qint16(1));
        // Removed even read-only, and not written until the search finds a port.
        QVERIFY(!QFile::exists(f.paths.settingsFile));
        QCOMPARE(f.windows.calls, QStringList{QStringLiteral("reload main")});
        QVERIFY(f.prompter.shown.isEmpty());
    }

    void applyWithUnwritableSettings()
    {
        UnitFixture f;
        f.declarations.CommPort = 4;
        QVERIFY(QDir().mkpath(f.paths.settingsFile));
        PortSelection selection(f.declarations, f.paths, f.prompter, f.windows);
        QVERIFY(selection.cmdApply_Click(QStringLiteral("6")));

        QCOMPARE(f.prompter.texts(), QStringList{QStringLiteral("Setup file error")});
        QCOMPARE(f.prompter.shown.first().title, QStringLiteral("Tavix"));
        QVERIFY(f.windows.calls.isEmpty());
        QCOMPARE(f.declarations.CommPort, qint16(6));
    }

    void applyNoPort_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("beyond 16 bits") << QStringLiteral("40000");
        QTest::newRow("beyond 16 bits, negative") << QStringLiteral("-40000");
        QTest::newRow("256, just above the last port") << QStringLiteral("256");
        QTest::newRow("300") << QStringLiteral("300");
        QTest::newRow("32767") << QStringLiteral("32767");
        QTest::newRow("0, just below the first port") << QStringLiteral("0");
        QTest::newRow("rounds to 0") << QStringLiteral("0.5");
        QTest::newRow("negative") << QStringLiteral("-3");
        QTest::newRow("auto in other case gives 0") << QStringLiteral("auto");
        QTest::newRow("COM3 gives 0") << QStringLiteral("COM3");
        QTest::newRow("empty") << QString();
    }
    void applyNoPort()
    {
        QFETCH(QString, text);
        UnitFixture f;
        f.declarations.CommPort = 4;
        PortSelection selection(f.declarations, f.paths, f.prompter, f.windows);
        QVERIFY(!selection.cmdApply_Click(text));
        QCOMPARE(f.prompter.texts(),
                 QStringList{QStringLiteral("Com Port must be Auto or a number from 1 to 255!")});
        QCOMPARE(f.declarations.CommPort, qint16(4));
        QVERIFY(!QFile::exists(f.paths.settingsFile));
        QVERIFY(f.windows.calls.isEmpty());
    }

    // While the window is open, the choice follows the adapter the user picked, through
    // adapters plugged in and out, and through a new device name.
    void choiceFollowsThePickedAdapter_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("pin");  // "7:B": number 7 pinned to adapter B
        QTest::addColumn<QString>("picked");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QString>("shown");  // empty: the text stays
        const auto row = [](const char *name, const char *before, const char *pin, const char *picked,
                            const char *after, bool changed, const char *shown) {
            QTest::newRow(name) << QString::fromLatin1(before) << QString::fromLatin1(pin)
                                << QString::fromLatin1(picked) << QString::fromLatin1(after) << changed
                                << QString::fromLatin1(shown);
        };
        row("an adapter before it goes: down", "USB0:A USB1:B", "", "2", "USB1:B", true, "1");
        row("an adapter before it comes: up", "USB1:B", "", "1", "USB0:A USB1:B", true, "2");
        row("back under another device name", "USB0:A USB1:B", "", "2", "USB2:B", true, "1");
        row("the picked adapter goes: the text stays", "USB0:A USB1:B", "", "2", "USB0:A", true, "");
        row("pinned: it stays on its number", "USB0:A USB1:B", "7:B", "7", "USB1:B", true, "");
        row("moved off its place: to its pinned number", "USB0:A USB1:B", "7:B", "2", "USB1:B", true, "7");
        row("a number without a device follows nothing", "USB0:A", "", "5", "", true, "");
        row("nothing changed", "USB0:A USB1:B", "", "2", "USB0:A USB1:B", false, "");
    }
    void choiceFollowsThePickedAdapter()
    {
        QFETCH(QString, before);
        QFETCH(QString, pin);
        QFETCH(QString, picked);
        QFETCH(QString, after);
        QFETCH(bool, changed);
        QFETCH(QString, shown);
        UnitFixture f;
        PortSystemStandIn system;
        system.list = adapters(before);
        if (!pin.isEmpty())
            QVERIFY(!pinPort(f.paths.portsDir, pin.section(u':', 0, 0).toInt(), byId(pin.section(u':', 1))));
        PortSelection selection(f.declarations, f.paths, f.prompter, f.windows, system);
        selection.Form_Load();
        selection.pick(picked);

        system.list = adapters(after);
        const PortSelection::Refresh refresh = selection.refreshPorts(picked);
        QCOMPARE(refresh.changed, changed);
        QCOMPARE(refresh.text.value_or(QString()), shown);
    }

    void reloadedMainWindowProbesTheNewPort_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("passes");
        QTest::newRow("the unit's port") << QStringLiteral("1") << true;
        QTest::newRow("a port without the unit") << QStringLiteral("2") << false;
    }
    void reloadedMainWindowProbesTheNewPort()
    {
        QFETCH(QString, text);
        QFETCH(bool, passes);

        UnitFixture f;
        f.declarations.CommPort = 1;
        f.unit.setSilent(true);
        f.load();
        QCOMPARE(f.prompter.texts(), QStringList{QStringLiteral("Tavix not connected!")});
        f.prompter.shown.clear();
        f.unit.setSilent(false);
        f.windows.onCall = [&f](const QString &call) {
            if (call == u"reload main")
                f.load();
        };
        PortSelection selection(f.declarations, f.paths, f.prompter, f.windows);
        QVERIFY(selection.cmdApply_Click(text));

        if (passes) {
            QVERIFY(f.prompter.shown.isEmpty());
            QVERIFY(f.controller->timers().Timer2.isActive());
            QCOMPARE(f.comm->written(), QByteArray("q\r"));
        } else {
            QCOMPARE(f.prompter.texts(),
                     QStringList{QStringLiteral("Communications Error, check Com Port!")});
            // Timer5 brings the selection back.
            QVERIFY(f.controller->timers().Timer5.isActive());
            f.controller->Timer5_Timer();
            QCOMPARE(f.windows.calls.last(), QStringLiteral("serial set"));
        }
    }
};

QTEST_GUILESS_MAIN(tst_portselection)
#include "tst_portselection.moc"
