#include "support/CommandsFixture.h"
#include "support/PortSystemStandIn.h"

#include "commands/PortSearch.h"
#include "commands/PortSelection.h"
#include "commands/SearchSurface.h"
#include "commands/StartUp.h"
#include "link/PortPins.h"

#include <QDir>
#include <QTest>

namespace {

QString fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
        ? QString::fromLatin1(file.readAll()).replace(QStringLiteral("\r\n"), QStringLiteral(" "))
        : QStringLiteral("none");
}

// The port search window as the search sees it: every port number shown, in order.
class RecordingSearchSurface : public SearchSurface {
public:
    void setPortText(const QString &text) override
    {
        port = text;
        portsShown << text;
    }
    QString portText() const override { return port; }
    void setSearchText(const QString &text) override { search = text; }
    void letEventsRun() override { onEvents(); }
    void unload() override { ++unloads; }

    QString port;
    QStringList portsShown;
    QString search = QStringLiteral("Searching for Com Port  -  -  - ");
    int unloads = 0;
    std::function<void()> onEvents = [] {}; // before the port shown is tried
};

// A main window whose component has the simulated unit on one port, and the search on it,
// loaded while another port was current.
struct SearchRig : UnitFixture {
    explicit SearchRig(qint16 unitPort)
    {
        auto sim = std::make_unique<SimComm>(unit, clock, unitPort);
        comm = sim.get();
        controller = std::make_unique<MainController>(
            declarations, paths, std::move(sim), surface, prompter, windows);
        declarations.CommPort = 42;
        search.emplace(declarations, paths, controller.get(), window, prompter, windows);
        search->Form_Load();
    }

    RecordingSearchSurface window;
    std::optional<PortSearch> search;
};

// "USB0:A USB1:B": adapter A on /dev/ttyUSB0, adapter B on /dev/ttyUSB1.
QList<SystemPort> adapters(const QString &plugged)
{
    QList<SystemPort> ports;
    for (const QString &entry : plugged.split(u' ', Qt::SkipEmptyParts)) {
        const QString adapter = entry.section(u':', 1);
        ports.append(SystemPort { u"/dev/tty" + entry.section(u':', 0, 0), adapter, {}, {},
            u"/dev/serial/by-id/usb-" + adapter });
    }
    return ports;
}

} // namespace

// The port search, the port selection and the start-up question: what they store, show and open.
class tst_ports : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Setup: empty N,N (open ports without a unit), identity TEXT, vanish, raise (opens fail
    // until port 3), hold (a main window command holds the unit at the first tick), typed TEXT,
    // unwritable, cancel / unload (the search / main window, at port 5), gone (the main window,
    // before the hand-over), baud TEXT. Outcome: see `values` below.
    void search_data()
    {
        QTest::addColumn<int>("unitPort");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("outcome");
        const auto row
            = [](const char *name, int unitPort, const char *setup, const QString &outcome) {
                  QTest::newRow(name) << unitPort << QString::fromLatin1(setup) << outcome;
              };
        const auto found = [](int port, const char *more = "") {
            return text("found=Tavix Found!;boxes=;port=%1;file=BaudRate=460800 CommPort=%1 ;"
                        "windows=reload main;unloads=1%2")
                .arg(port)
                .arg(text(more));
        };
        const QString notFound = QStringLiteral(
            "found=Searching for Com Port  -  -  - ;"
            "boxes=Tavix: Cannot Find Tavix, make sure unit is conected!;"
            "status=Communication Error, check connections!;port=256;file=none;windows=;"
            "unloads=1;open=none;shown=256 from 1 to 255");
        row("port 1 at the first try", 1, "",
            found(1, ";shown=2 from 1 to 1;ms=0;open=1;got=q\\r;guard=free"));
        row("port 255, missing ports cost nothing", 255, "",
            found(255, ";shown=256 from 1 to 255;ms=0;open=255"));
        row("silent open ports cost 500 ms each", 4, "empty 1,2,3",
            found(4, ";shown=5 from 1 to 4;ms=1500"));
        row("opens that fail cost nothing", 3, "raise", found(3, ";ms=0"));
        row("waits while the main window holds the unit", 1, "hold", found(1));
        row("another device", 128, "identity Modem\\x20OK\\r\\x0a", notFound + u";ms=0;guard=free");
        row("device errors on every write", 128, "vanish", notFound + u";ms=0");
        row("nothing above 255", 256, "", notFound + u";got=");
        // The baud rate text is used unchanged, comma and all.
        row("probe on each port", 2, "empty 1; baud 115200,",
            QStringLiteral(
                "got=q\\r;sent=q\\rq\\r;line=115200,N,8,1;file=BaudRate=115200, CommPort=2 "));
        // The user may type another number before the hand-over; one that is no port keeps the
        // find.
        row("typed 12", 5, "typed 12", found(12));
        row("typed 256 keeps the find", 5, "typed 256", found(5));
        row("settings not writable", 1, "unwritable",
            QStringLiteral("boxes=Tavix: Setup file error;windows=;unloads=1;open=1;port=1"));
        // The search ends quietly where its window or the main window went away.
        row("main window unloaded at port 5", 200, "unload",
            QStringLiteral("boxes=;windows=;unloads=1;shown=6 from 1 to 5;file=none"));
        row("search window closed at port 5", 200, "cancel",
            QStringLiteral(
                "boxes=;windows=;unloads=1;shown=6 from 1 to 5;file=none;open=none;status="));
        row("main window unloaded before the hand-over", 1, "gone",
            QStringLiteral("boxes=;windows=;unloads=1;file=none"));
    }
    void search()
    {
        QFETCH(int, unitPort);
        QFETCH(QString, setup);
        QFETCH(QString, outcome);
        SearchRig rig { qint16(unitPort) };
        const auto word = [&setup](const char *name) {
            const qsizetype at = setup.indexOf(QString::fromLatin1(name));
            return at < 0 ? std::optional<QString>()
                          : setup.mid(at).section(u';', 0, 0).section(u' ', 1);
        };
        QCOMPARE(rig.declarations.CommPort, qint16(1));
        QVERIFY(rig.search->timer1().isActive());
        QCOMPARE(rig.search->timer1().interval(), 2000);
        for (const QString &port :
            word("empty").value_or(QString()).split(u',', Qt::SkipEmptyParts))
            rig.comm->addEmptyPort(qint16(port.toInt()));
        if (const auto identity = word("identity"))
            rig.unit.setIdentity(CommandsRig::scriptBytes(*identity));
        if (word("vanish"))
            rig.comm->vanish();
        if (const auto baud = word("baud"))
            rig.declarations.BaudRate = *baud;
        if (word("unwritable"))
            QVERIFY(QDir().mkpath(rig.paths.settingsFile));
        rig.comm->setOpenRaisesError(word("raise").has_value());
        rig.window.onEvents = [&] {
            if (rig.window.port == u"3")
                rig.comm->setOpenRaisesError(false);
            if (rig.window.port == u"5" && word("unload"))
                rig.controller->unload();
            if (rig.window.port == u"5" && word("cancel"))
                rig.search->cancel();
        };
        if (word("hold")) {
            UnitWork held(rig.controller->context());
            rig.search->Timer1_Timer();
            QVERIFY(rig.unit.received().isEmpty() && rig.search->timer1().isActive());
        }
        rig.search->Timer1_Timer();
        QCOMPARE(rig.search->timer2().isActive(), rig.window.search == u"Tavix Found!");
        QCOMPARE(rig.search->timer2().interval(), 2000);
        // Nothing is stored before the hand-over.
        QVERIFY(!QFile::exists(rig.paths.settingsFile) || word("unwritable"));
        if (const auto typed = word("typed"))
            rig.window.port = *typed;
        if (word("gone"))
            rig.controller.reset();
        if (rig.search->timer2().isActive())
            rig.search->Timer2_Timer();

        const QStringList shown = rig.window.portsShown;
        const bool open = rig.comm && rig.controller && rig.comm->PortOpen();
        // The main window's commands were kept off the line only while a port was tried.
        const bool free = !rig.controller
            || (rig.surface.unitCommandsEnabled && !rig.controller->context().unitBusy);
        const QHash<QString, QString> values {
            { QStringLiteral("shown"),
                QStringLiteral("%1 from %2 to %3")
                    .arg(shown.size())
                    .arg(shown.value(0), shown.value(shown.size() - 1)) },
            { QStringLiteral("ms"), QString::number(rig.clock.now()) },
            { QStringLiteral("open"),
                open ? QString::number(rig.comm->PortNumber()) : QStringLiteral("none") },
            { QStringLiteral("got"), lineText(rig.unit.received()) },
            { QStringLiteral("sent"), rig.controller ? lineText(rig.comm->written()) : QString() },
            { QStringLiteral("line"), rig.controller ? rig.comm->lastLineSettings() : QString() },
            { QStringLiteral("found"), rig.window.search },
            { QStringLiteral("boxes"), CommandsRig::boxes(rig.prompter) },
            { QStringLiteral("status"), rig.surface.status() },
            { QStringLiteral("unloads"), QString::number(rig.window.unloads) },
            { QStringLiteral("file"), fileText(rig.paths.settingsFile) },
            { QStringLiteral("port"), QString::number(rig.declarations.CommPort) },
            { QStringLiteral("windows"), rig.windows.calls.join(u',') },
            { QStringLiteral("guard"), free ? QStringLiteral("free") : QStringLiteral("held") },
        };
        QStringList got;
        for (const QString &item : outcome.split(u';'))
            got << item.section(u'=', 0, 0) + u'='
                    + values.value(item.section(u'=', 0, 0), QStringLiteral("?"));
        QCOMPARE(got.join(u';'), outcome);
    }

    // Apply: "Auto" only in this spelling, or a port from 1 to 255 by the port number rules.
    void apply_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char *text, const char *outcome) {
            QTest::newRow(text) << QString::fromLatin1(text) << QString::fromLatin1(outcome);
        };
        const char *refused = "kept open|4|no|BaudRate=9600 CommPort=99 old ||"
                              "Tavix: Com Port must be Auto or a number from 1 to 255!";
        // unloads | CommPort | search pending | settings file | windows | boxes
        row("12 (USB)", "unloads|12|no|BaudRate=115200, CommPort=12 |reload main|");
        // No file is left until the search has found a port, read-only or not.
        row("Auto", "unloads|1|yes|none|reload main|");
        for (const char *text : { "256", "auto" })
            row(text, refused);
        // The main window keeps the port it has open.
        row("unwritable 6", "unloads|6|no|none||Tavix: Setup file error");
    }
    void apply()
    {
        QFETCH(QString, text);
        QFETCH(QString, outcome);
        CommandsRig f;
        f.declarations.CommPort = 4;
        f.declarations.BaudRate = QStringLiteral("115200,");
        QFile file(f.paths.settingsFile);
        if (text.startsWith(u"unwritable"))
            QVERIFY(QDir().mkpath(f.paths.settingsFile));
        else
            QVERIFY(file.open(QIODevice::WriteOnly)
                && file.write("BaudRate=9600\r\nCommPort=99\r\nold\r\n")
                && file.setPermissions(QFileDevice::ReadOwner));
        file.close();
        PortSelection selection(f.declarations, f.paths, f.prompter, f.windows);
        const bool unloads
            = selection.cmdApply_Click(text.startsWith(u"unwritable ") ? text.mid(11) : text);
        QCOMPARE(QStringLiteral("%1|%2|%3|%4|%5|%6")
                     .arg(unloads ? u"unloads" : u"kept open")
                     .arg(f.declarations.CommPort)
                     .arg(f.declarations.AutoSearchPending ? u"yes" : u"no",
                         fileText(f.paths.settingsFile), f.windows.calls.join(u','),
                         CommandsRig::boxes(f.prompter)),
            outcome);
    }

    // While the window is open the choice follows the adapter the user picked, through adapters
    // plugged in and out and a new device name; a pinned number keeps its adapter. Rows: the
    // adapters before ("USB0:A": adapter A on /dev/ttyUSB0), a pin ("7:B": number 7 pinned to
    // adapter B), the number picked, the adapters after, then the number shown ("-": nothing
    // changed; empty: the text stays).
    void follow_data()
    {
        QTest::addColumn<QStringList>("row");
        for (const char *row :
            { "USB0:A USB1:B||2|USB1:B|1", "USB1:B||1|USB0:A USB1:B|2", "USB0:A USB1:B||2|USB2:B|1",
                "USB0:A USB1:B||2|USB0:A|", "USB0:A USB1:B|7:B|7|USB1:B|",
                "USB0:A USB1:B|7:B|2|USB1:B|7", "USB0:A||5||", "USB0:A USB1:B||2|USB0:A USB1:B|-" })
            QTest::newRow(row) << QString::fromLatin1(row).split(u'|');
    }
    void follow()
    {
        QFETCH(QStringList, row);
        CommandsRig f;
        PortSystemStandIn system;
        system.list = adapters(row.at(0));
        if (!row.at(1).isEmpty())
            QVERIFY(!pinPort(f.paths.portsDir, row.at(1).section(u':', 0, 0).toInt(),
                u"/dev/serial/by-id/usb-" + row.at(1).section(u':', 1)));
        PortSelection selection(f.declarations, f.paths, f.prompter, f.windows, system);
        selection.Form_Load();
        selection.pick(row.at(2));
        system.list = adapters(row.at(3));
        const PortSelection::Refresh refresh = selection.refreshPorts(row.at(2));
        QCOMPARE(
            refresh.changed ? refresh.text.value_or(QString()) : QStringLiteral("-"), row.at(4));
    }

    // The list, and what the window shows under a number before and after pinning 1 and
    // unpinning 7.
    void describe()
    {
        const QStringList items = PortSelection::portItems();
        QCOMPARE(QStringList({ items.first(), items.at(1), items.last() }).join(u' ') + u' '
                + QString::number(items.size()),
            QStringLiteral("Auto 1 255 256"));
        CommandsRig f;
        PortSystemStandIn system;
        system.list = adapters(QStringLiteral("USB0:A USB1:B"));
        QVERIFY(!pinPort(f.paths.portsDir, 7, QStringLiteral("/dev/serial/by-id/usb-B")));
        PortSelection selection(f.declarations, f.paths, f.prompter, f.windows, system);
        selection.Form_Load();
        QStringList texts;
        for (int round = 0; round < 2; ++round) {
            for (const char *number : { "Auto", "auto", "1", "7", "256" })
                texts << selection.describe(QString::fromLatin1(number)).replace(u'\n', u'/');
            selection.cmdPin_Click(QStringLiteral("1"));
            selection.cmdPin_Click(QStringLiteral("7"));
        }
        const QString search = QStringLiteral("Searches ports 1 to 255 for the unit.|");
        const QString none = QStringLiteral("No device on this computer.");
        const QString pinned = QStringLiteral("/Pinned: this number stays with this device.|");
        QCOMPARE(texts.join(u'|'),
            search + none + u"|Device: /dev/ttyUSB0/A|Device: /dev/serial/by-id/usb-B/B" + pinned
                + none + u'|' + search + none + u"|Device: /dev/serial/by-id/usb-A/A" + pinned
                + none + u'|' + none);
        QVERIFY(f.prompter.shown.isEmpty());
    }

    // The sign-on: a readable settings file opens the main window on it; otherwise the question,
    // and the defaults.
    void signOn_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: no file
        QTest::addColumn<bool>("knowsPort");
        QTest::addColumn<QString>("outcome");
        // boxes | windows | BaudRate CommPort pending | settings file
        const QString asked
            = QStringLiteral("Auto Search? Do you know what com port the Tavix is on?|");
        QTest::newRow("readable file")
            << QByteArray("BaudRate=115200\r\nCommPort=3\r\n") << false
            << QStringLiteral("|main|115200 3 no|BaudRate=115200 CommPort=3 ");
        QTest::newRow("no file, Yes")
            << QByteArray() << true << asked + u"serial set|460800 1 no|none";
        // Written fresh, so the next start reads it and does not ask again.
        QTest::newRow("no file, No")
            << QByteArray() << false << asked + u"main|460800 1 yes|BaudRate=460800 CommPort=1 ";
        // The program goes on with the defaults in memory.
        QTest::newRow("unwritable, No")
            << QByteArray("dir") << false << asked + u"main|460800 1 yes|none";
    }
    void signOn()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, knowsPort);
        QFETCH(QString, outcome);
        CommandsRig f;
        f.declarations.BaudRate = QStringLiteral("9600");
        f.declarations.CommPort = 9;
        // A search left pending from before is dropped once the file reads (no question asked).
        f.declarations.AutoSearchPending = outcome.startsWith(u'|');
        QFile file(f.paths.settingsFile);
        if (contents == "dir")
            f.paths.settingsFile += QStringLiteral("/missing/setup.txt");
        else if (!contents.isEmpty())
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
        file.close();
        f.prompter.answers << knowsPort;
        StartUp(f.declarations, f.paths, f.prompter, f.windows).tmrSignOn_Timer();
        QCOMPARE(QStringLiteral("%1|%2|%3 %4 %5|%6")
                     .arg(CommandsRig::boxes(f.prompter), f.windows.calls.join(u','),
                         f.declarations.BaudRate)
                     .arg(f.declarations.CommPort)
                     .arg(f.declarations.AutoSearchPending ? u"yes" : u"no",
                         fileText(f.paths.settingsFile)),
            outcome);
    }
};

QTEST_GUILESS_MAIN(tst_ports)
#include "tst_ports.moc"
