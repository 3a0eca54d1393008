#include "support/CommandsFixture.h"

#include "commands/ModeDelay.h"

#include <QTest>

namespace {

// The statuses of an erase of location `number` (1-based) that the unit answered.
QString erased(int number)
{
    return QStringLiteral("Erasing Location %1 - - -|Memory Location %1 Erased!").arg(number);
}

QString erasedAll(int from, int to)
{
    QStringList all;
    for (int number = from; number <= to; ++number)
        all << erased(number);
    return all.join(u'|');
}

const QString Gone = QStringLiteral("Comm Port Error: The serial device is gone.");
const QString NotOpen = QStringLiteral("Comm Port Error: The port is not open.");
const QString Talking = QStringLiteral("Comm Port Error: Data keeps arriving.");
const QString Directory = QStringLiteral("Loading Directory - - -|Done!");

} // namespace

// The main window's handlers other than Update, from the click to what the window shows, and
// the guard that keeps a second command off the line.
class tst_handlers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void handlers_data()
    {
        CommandsRig::addScriptColumns();
        const QString none;

        // The load: the lists, the probe's outcome and the timers it leaves running.
        scriptRow("load, unit answers",
            "store 0 Long 8388576; directory; mark; new; select=5; load", none, "", "",
            "sent=q\\r;timers=2:2000;open=yes;selected=0/0;widths=0 0 0 0 0 0 0 0;"
            "items=Stack,Interrupt,0,1,2,3,4,5,6,7,8,9");
        scriptRow("load, no reply", "new; silent; load; ?timers=5:1500; timer5",
            "Communication Error!", "Tavix: Tavix not connected!", "",
            "sent=q\\r;timers=;windows=serial set");
        scriptRow("load, missing port", "new; port=4; load", "Communication Error!",
            "Tavix: Communications Error, check Com Port!", "", "sent=;timers=5:1500");
        // A fault of the component ends the load; the directory read comes and fails as usual.
        scriptRow("load, settings refused", "new; baud=fast; load", none,
            "Tavix: Comm Port not available!", "", "sent=;timers=2:2000");
        scriptRow("load, search pending", "new; pending=1; load; ?timers=3:1000; timer3", none, "",
            "", "sent=;open=no;timers=;windows=serial search");
        scriptRow("selection rules, then Timer2",
            "new; load; mark; click 4; ?selected=4/4; opt 2; ?selected=2/4; "
            "click 8; opt 8; opt -1; ?selected=2/4; timer2",
            Directory, "", "busy idle", "selected=0/0;focus=yes;timers=");
        scriptRow("exit", "exit; fileExit", none, "", "", "sent=;windows=exit,exit");

        // The directory.
        scriptRow("directory of two messages",
            "store 0 Lobby 8000; store 2 Long 1572832; reg 1 255; reg 9 12; names=o,o,o,o,o,o,o,o; "
            "directory",
            Directory, "", "busy idle",
            "sent=D\\rN\\rN\\rR\\x01\\rR\\x09\\r;names=Lobby,,Long,Long,,,,;"
            "widths=40 0 800 400 0 0 0 0;colours=01224567;mode=Interrupt;delay=12;events=3");
        scriptRow("mode read short", "reply R \\x01 1; directory",
            Directory + u"|Error on Mode Read!", "", "busy idle", "mode=;delay=0");
        scriptRow("delay read short", "reply R \\x03 2; directory",
            Directory + u"|Error on Delay Read ", "", "busy idle", "delay=");
        scriptRow("no reply to N", "store 1 First 1000; store 5 Second 1000; silent N; directory",
            "Loading Directory - - -|Error!", "", "busy idle",
            "sent=D\\rN\\r;names=,First,,,,,,;mode=;delay=");
        scriptRow("directory, device gone", "vanish; directory", u"Loading Directory - - -|" + Gone,
            "", "busy idle", "");

        // The guard: while one command holds the unit, no other starts an exchange or asks.
        scriptRow("all refused while another command holds the unit",
            "new; load; mark; hold; yes; eraseAll; erase; directory; mfg; read; clear; setup; "
            "play; pickDelay; pickMode; update Lobby.wav; open Lobby.wav; timer2; "
            "?timers=2:2000; ?sent=; release; timer2",
            Directory, "", "busy idle", "windows=;dialog=");
        scriptRow("all refused while the directory lets events run",
            "store 0 Lobby 1000; store 3 Hall 1000; events ?offered=no, yes, eraseAll, erase, "
            "directory, mfg, read, clear, setup, play, pickDelay, pickMode, update; directory",
            Directory, "", "busy idle",
            "sent=D\\rN\\rN\\rR\\x01\\rR\\x09\\r;windows=;dialog=;events=2");

        // Erase and Erase All.
        scriptRow("erase an empty location without asking", "select=2; erase",
            erased(3) + u"|Location 3 Erased!", "", "busy idle", "sent=C02\\r");
        scriptRow("erase a later part, namesake elsewhere stays",
            "store 0 ?? 100; store 5 ?? 1572864; directory; mark; select=6; yes; erase",
            erased(6) + u"|Location 7 Erased!|" + erased(7) + u"|Location 7 Erased!",
            "Erase Location? Are you sure you want to erase Location 7?", "busy idle",
            "sent=C05\\rC06\\r;unit=0.......;names=??,,,,,,,;widths=40 0 0 0 0 0 0 "
            "0;colours=01234567");
        // Each erase of a command goes out, whatever an earlier command erased.
        scriptRow("erase twice", "erase; mark; erase", erased(1) + u"|Location 1 Erased!", "",
            "busy idle", "sent=C00\\r");
        scriptRow("erase answered No", "names=Lobby; no; erase", none,
            "Erase Location? Are you sure you want to erase Location 1?", "busy idle",
            "sent=;names=Lobby,,,,,,,");
        scriptRow("erase all answered No", "names=Lobby; no; eraseAll", none,
            "Erase All? Are you sure you want to erase all Locations?", "", "sent=");
        scriptRow("erase all", "store 0 Lobby 100; store 6 Hall 100; yes; eraseAll",
            erasedAll(1, 8) + u"|All memory locations are erased!",
            "Erase All? Are you sure you want to erase all Locations?", "busy idle",
            "sent=C00\\rC01\\rC02\\rC03\\rC04\\rC05\\rC06\\rC07\\r;unit=........");
        // Silence to "C" is named, and ends the series: a late answer would pass for the next's.
        scriptRow("erase, unanswered", "silent C; select=2; erase",
            QStringLiteral("Erasing Location 3 - - -|Error!|Error! Location 3 not erased!"), "",
            "busy idle", "sent=C02\\r");
        scriptRow("erase, middle part unanswered",
            "silent C 2; names=,,H,H,H; select=2; yes; erase",
            erased(3)
                + u"|Location 3 Erased!|Erasing Location 4 - - -|Error!|Error! Locations 4, 5 not "
                  u"erased!",
            "Erase Location? Are you sure you want to erase Location 3?", "busy idle",
            "erased=23;names=,,,,H,,,");
        scriptRow("erase all, second unanswered", "silent C 2; yes; eraseAll",
            erased(1)
                + u"|Erasing Location 2 - - -|Error!|Error! Locations 2, 3, 4, 5, 6, 7, 8 not "
                  u"erased!",
            "Erase All? Are you sure you want to erase all Locations?", "busy idle", "erased=01");
        scriptRow("erase all, device gone", "vanish; yes; eraseAll",
            u"Erasing Location 1 - - -|" + Gone,
            "Erase All? Are you sure you want to erase all Locations?", "busy idle", "");
        // The mode and delay boxes leave the busy and idle states alone.
        scriptRow("mode Stack", "reg 1 77; mode=Stack; pickMode", none, "", "",
            "sent=W\\x01\\x00\\r;regs=0 0 0 0 0 0 0 0 0");
        scriptRow("mode stack in other case is Interrupt", "mode=stack; pickMode", none, "", "",
            "regs=255 0 0 0 0 0 0 0 0");
        scriptRow("mode write unanswered", "silent W; mode=Interrupt; pickMode",
            "Error on Mode Write!", "", "", "mode=Interrupt");
        scriptRow("delay 3 to all eight", "delay=3; pickDelay", "Delay Updated!", "", "",
            "regs=0 3 3 3 3 3 3 3 3");
        scriptRow("delay, fifth write unanswered", "silent W 5; delay=3; pickDelay",
            "Error on Mode Write!|Error on Delay Write! Register 13", "", "",
            "regs=0 3 3 3 3 3 3 3 3");
        scriptRow("delay, second and eighth unanswered",
            "silent W 2; silent W 8; delay=3; pickDelay",
            "Error on Mode Write!|Error on Mode Write!|Error on Delay Write! Registers 10, 16", "",
            "", "");
        scriptRow("delay 256", "delay=256; pickDelay", "Invalid Delay: 256", "", "", "sent=");
        scriptRow("mode and delay, device gone", "vanish; delay=2; pickDelay; pickMode",
            Gone + u'|' + Gone, "", "", "");

        // Playback: "Playing Message" names the selection of the moment.
        scriptRow("play until done",
            "store 2 Chime 8000 4000; select=2; play; mark; tick; +500; tick; +500; tick",
            "Playing Message: 3|Playing Message: 3|Message Done", "", "idle",
            "sent=SSS\\r;op=Play;timers=");
        scriptRow("play, poll answered X", "store 0 Chime 80000; reply S X; play; tick",
            "Playing Message: 1|Error!", "", "busy idle", "timers=");
        scriptRow("play, selection changes", "store 1 Chime 80000; select=1; play; click 5; tick",
            "Playing Message: 2|Playing Message: 6", "", "busy stop held",
            "sent=P01\\rS;op=Play;timers=4:500");
        scriptRow("stop during playback", "store 0 Chime 80000; play; tick; mark; stop; tick",
            "Playback Stopped", "", "idle", "sent=A;op=Abort;timers=");
        scriptRow("stop after an ended playback", "play; tick; mark; stop", "Playback Stopped", "",
            "idle", "sent=A");
        scriptRow("stop during an upload sends nothing", "hold; op=Load; stop", none, "",
            "idle held", "sent=;op=Abort");
        scriptRow("stop marked Play, another exchange running", "hold; op=Play; stop", none, "",
            "idle held", "sent=;op=Abort");
        scriptRow("others wait for the playback to end",
            "store 0 Chime 80000; play; mark; yes; eraseAll; mfg; clear; setup; play; ?sent=; "
            "stop; mfg",
            QStringLiteral("Playback Stopped|Manufacturer code is: 54 58 8"), "", "idle",
            "sent=AE00M\\r;windows=");
        scriptRow("play, port not open", "close; play", NotOpen, "", "", "timers=");
        scriptRow("play, device gone while polling", "store 0 Chime 80000; play; vanish; tick",
            u"Playing Message: 1|" + Gone, "", "busy idle", "timers=");

        // The diagnostics.
        scriptRow("part id, location 6", "reply EM \\x1f\\x47\\x01\\x00; select=5; mfg",
            "Manufacturer code is: 1F 47 1", "", "", "sent=E05M\\r");
        scriptRow("part id unanswered", "silent EM; mfg", "Error!", "", "", "");
        scriptRow("first byte of two characters", "reply ER \\xafK; select=3; read",
            "The first byte of memory is: AF", "", "", "sent=E03R\\r");
        scriptRow("first byte unanswered", "silent ER; read", "Error!", "", "", "");
        scriptRow("clear", "clear", "Clearing USART - - -|Ready", "", "", "");
        scriptRow("clear, line keeps talking", "noise; clear", u"Clearing USART - - -|" + Talking,
            "", "", "");
        scriptRow("diagnostics, port not open", "close; mfg; read; clear",
            NotOpen + u'|' + NotOpen + u"|Clearing USART - - -|" + NotOpen, "", "", "");
    }
    void handlers() { CommandsRig::runScriptRow(); }

    // A leading number, rounded half to even; no number is 0; what a byte cannot hold is refused.
    void delayValue()
    {
        QStringList got;
        for (const char *text : { "", "abc", " 4 s", "2.5", "3.5", "-0.4", "255", "256", "-1" }) {
            const auto value = ModeDelay::delayValue(QString::fromLatin1(text));
            got << (value ? QString::number(*value) : QStringLiteral("-"));
        }
        QCOMPARE(got.join(u' '), QStringLiteral("0 0 4 2 4 0 255 - -"));
    }
};

QTEST_GUILESS_MAIN(tst_handlers)
#include "tst_handlers.moc"
