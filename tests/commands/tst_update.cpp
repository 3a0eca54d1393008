#include "support/CommandsFixture.h"

#include <QTest>

namespace {

// The statuses of an Update of `file` that erased these locations (1-based) and sent `bytes`
// to `position`.
QString uploaded(const char *file, const QList<int> &erased, int position, int bytes)
{
    QStringList statuses { u"Loading ~/" + text(file) };
    for (int number : erased)
        statuses
            << QStringLiteral("Erasing Location %1 - - -|Memory Location %1 Erased!").arg(number);
    statuses << QStringLiteral("Loading Position %1 - - -").arg(position);
    if (bytes > 0)
        statuses << QStringLiteral("%1 bytes sent").arg(bytes);
    return statuses.join(u'|');
}

} // namespace

// The Update command from the button to the stored message: its checks, the overflow dialog,
// the erases it makes room with, the transfer's failures, and the audio each route stores.
class tst_update : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void update_data()
    {
        CommandsRig::addScriptColumns();
        const char *clearOld = "Clear Previous Message? This will clear all of the message "
                               "'Old             ' do you want to continue?";
        const char *once = "busy busy idle";
        const char *several = "busy busy busy idle";

        // Before the unit: the question, the dialog and the file's checks.
        scriptRow("later part, No",
            "names=Old,Old; select=1; no; wave New.wav 16 1 8000 500; update New.wav",
            "Command cancelled!", clearOld, "", "sent=;dialog=");
        scriptRow("later part, Yes: the whole message goes",
            "names=Old,Old; select=1; yes; wave New.wav 16 1 8000 500; update New.wav",
            uploaded("New.wav", { 1, 2 }, 2, 1000), clearOld, once,
            "erased=01;unit=.1......;names=,New,,,,,,;dialog=~|Wave Files (*.wav);;Sound Files "
            "(*.wav *.flac *.ogg *.oga *.opus *.mp3 *.aif *.aiff *.aifc *.WAV *.FLAC *.OGG *.OGA "
            "*.OPUS *.MP3 *.AIF *.AIFF *.AIFC)");
        scriptRow("no file chosen", "update", "", "Tavix: No File Selected!", "", "");
        // Both names are "__" on the unit: two messages must never share one.
        scriptRow("already loaded under its stored name",
            "names=,,__; wave 中国.wav 16 1 8000 500; update 中国.wav", "",
            "Tavix: File already loaded, erase before reloading!", "", "sent=");
        scriptRow("bad header", "wave bad.wav 16 0 8000 500; update bad.wav", "Loading ~/bad.wav",
            "Tavix: Audio File has bad channel amount1", "", "sent=");
        scriptRow("missing file", "update missing.wav", "Loading ~/missing.wav|File not found!", "",
            "idle", "sent=");
        scriptRow("missing MP3", "update missing.mp3", "Loading ~/missing.mp3",
            "Tavix: \"missing.mp3\" cannot be loaded.\n"
            "The file cannot be opened: No such file or directory",
            "", "sent=");

        // A failed erase ends the command before "L": the port's failure takes the command's own
        // failure path; an erase left unanswered is named, with the locations not tried after it.
        scriptRow("erase, port gone",
            "names=Old,Old; vanish; wave Lobby.wav 16 1 8000 500; update Lobby.wav",
            "Loading ~/Lobby.wav|Erasing Location 1 - - -|"
            "Comm Port Error: The serial device is gone.|File not found!",
            "", "busy idle", "loaded=");
        scriptRow("first of two erases unanswered",
            "names=Old,Old; silent C; wave Lobby.wav 16 1 8000 500; update Lobby.wav",
            "Loading ~/Lobby.wav|Erasing Location 1 - - -|Error!|Error! Locations 1, 2 not erased!",
            "", "busy idle", "erased=0;loaded=");
        scriptRow("second of two erases unanswered",
            "names=Old,Old; silent C 2; wave Lobby.wav 16 1 8000 500; update Lobby.wav",
            uploaded("Lobby.wav", { 1 }, 0, 0).section(u'|', 0, 2)
                + u"|Erasing Location 2 - - -|Error!|Error! Location 2 not erased!",
            "", "busy idle", "erased=01;loaded=");

        // The transfer's failures: a first block and sixteen full ones.
        const QString transfer = uploaded("Lobby.wav", { 1 }, 1, 0);
        const auto failure = [&](const char *name, const char *fault, const QString &status,
                                 const char *box = "") {
            scriptRow(name,
                QString(text(fault) + u"; wave Lobby.wav 16 1 8000 2160; update Lobby.wav"),
                QString(transfer + status), box, once, "drained=yes;names=Lobby,,,,,,,;timers=");
        };
        failure("no reply to L", "silent L", QStringLiteral("|Load Error!"));
        failure("header answered X", "reply L.header X\\r", QStringLiteral("|Totals Error 1"));
        failure("first block answered K", "reply L.block K\\r", QString(),
            "Tavix: ERROR on Acknowledge 2");
        failure("no reply to the third full block", "silent L.block 4",
            QStringLiteral("|Error on transmission!"));
        failure("premature K", "reply L.block K\\r 3", QStringLiteral("|Error, premature OK!"));
        failure("no final K", "silent L.final", QStringLiteral("|Error, no final OK!"));
        scriptRow("unit vanishes mid-transfer",
            "events@5 vanish; wave Lobby.wav 16 1 8000 2160; update Lobby.wav",
            QString(transfer + u"|Error 5"), "Tavix: File Read Error!", once, "names=Lobby,,,,,,,");
        // Stop is seen before the next block; the directory is read again two seconds later.
        scriptRow("Stop mid-transfer",
            "events@5 stop; wave Lobby.wav 16 1 8000 2160; update Lobby.wav",
            QString(transfer + u"|Loading Aborted"), "", "busy busy idle idle",
            "drained=yes;timers=2:2000");

        // The overflow dialog: the command waits in an event loop for the answer.
        scriptRow("Cancel leaves everything",
            "answer=Cancel; waiting ?status=Loading ~/Long.wav; select=6; "
            "wave Long.wav 16 1 8000 600000; update Long.wav",
            "Loading ~/Long.wav|Ready!", "", "busy idle", "sent=;timers=");
        scriptRow("too big at 7", "select=7; wave Big.wav 16 1 16000 750000; update Big.wav",
            "Loading ~/Big.wav", "Tavix: File Is Too Big!", "busy idle", "sent=");
        // Stop while the dialog waits answers it with Cancel; the directory is read again later.
        scriptRow("Stop, then Down Sample",
            "answer=Down Sample; waiting stop; wave Long.wav 16 1 22050 750000; update Long.wav",
            "Loading ~/Long.wav|Ready!", "", "busy idle idle", "sent=;timers=2:2000");
        // A Stop after the answer leaves a transfer that offers Stop throughout.
        scriptRow("Down Sample, then Stop before the command goes on",
            "answer=Down Sample; answered stop; events ?offered=yes; "
            "wave Long.wav 16 1 22050 750000; update Long.wav",
            uploaded("Long.wav", { 1 }, 1, 750000), "", "busy idle busy idle",
            "unit=0.......;rate=11025;audio=ok;timers=;op=Load");
        // The selection is the one the command started with, whatever is clicked meanwhile.
        scriptRow("Proceed from 7, 8 clicked meanwhile",
            "answer=Proceed; waiting opt 7; select=6; "
            "wave Long.wav 16 1 8000 600000; update Long.wav",
            uploaded("Long.wav", { 7, 8 }, 7, 1200000), "", several,
            "selected=7/0;loaded=6;unit=......66;names=,,,,,,Long,Long");
        // While the command runs, a second Update is refused: in the dialog's wait and
        // mid-transfer.
        scriptRow("second Update refused",
            "answer=Proceed; wave Other.wav 16 1 8000 500; "
            "waiting open Other.wav, update Other.wav; events@3 open Other.wav, update Other.wav; "
            "wave Long.wav 16 1 8000 600000; update Long.wav",
            uploaded("Long.wav", { 1, 2 }, 1, 1200000), "", several,
            "files=4;loaded=0;erased=01;unit=00......");
        scriptRow("bars and progress count acknowledged bytes",
            "wave Lobby.wav 16 1 8000 546; update Lobby.wav", uploaded("Lobby.wav", { 1 }, 1, 1092),
            "", once, "progress=0 21 44 67;widths=40 0 0 0 0 0 0 0");
        // The audio each route stores: the first channel of every 2^steps-th frame.
        scriptRow("16-bit mono 44.1 kHz, Auto Reduce off",
            "wave Trip.wav 16 1 44100 400000; update Trip.wav",
            uploaded("Trip.wav", { 1 }, 1, 800000), "", once, "audio=ok;rate=44100;unit=0.......");
        scriptRow("8-bit 3 channels 44.1 kHz, Auto Reduce",
            "reduce=1; wave Trip.wav 8 3 44100 300000; update Trip.wav",
            uploaded("Trip.wav", { 1 }, 1, 300000), "", once, "audio=ok;rate=22050");
        scriptRow("16-bit stereo 48 kHz halved over 2",
            "answer=Proceed; wave Trip.wav 16 2 48000 1400000; update Trip.wav",
            uploaded("Trip.wav", { 1, 2 }, 1, 1400000), "", several,
            "audio=ok;rate=24000;unit=00......;names=Trip,Trip,,,,,,");
        scriptRow("16-bit mono 96 kHz halved twice",
            "answer=Down Sample; wave Trip.wav 16 1 96000 2000000; update Trip.wav",
            uploaded("Trip.wav", { 1 }, 1, 1000000), "", once, "audio=ok;rate=24000;unit=0.......");
        scriptRow("Down Sample still needs two",
            "answer=Down Sample; wave Trip.wav 16 1 22050 1250000; update Trip.wav",
            uploaded("Trip.wav", { 1, 2 }, 1, 1250000), "", several,
            "audio=ok;rate=11025;unit=00......;"
            "offer=This wave file is large and will fill 3 memory locations|"
            "This file can be converted to fit into 2 memory locations");
        scriptRow("an erase before does not stand for the Update's",
            "erase; mark; wave Trip.wav 16 1 8000 500; update Trip.wav",
            uploaded("Trip.wav", { 1 }, 1, 1000), "", once, "erased=0;loaded=0");
        // Halved to fit one location, it ends without the closing steps, as it always has.
        scriptRow("44.1 kHz at 7 halved, no dialog",
            "select=6; wave Trip.wav 16 1 44100 750000; update Trip.wav",
            uploaded("Trip.wav", { 7 }, 7, 750000), "", once, "audio=ok;rate=22050;drained=no");
        scriptRow("FLAC stereo 22,050 Hz", "flac Trip.FLAC 2 22050 30000; update Trip.FLAC",
            uploaded("Trip.FLAC", { 1 }, 1, 60000), "", once,
            "audio=ok;rate=22050;name=Trip            ");
        // A chime shorter than the shortest message goes padded with silence.
        scriptRow("short chime padded with silence",
            "select=2; wave Lobby.wav 16 1 8000 20; update Lobby.wav",
            uploaded("Lobby.wav", { 3 }, 3, 226), "", once, "audio=ok;loaded=2;unit=..2.....");
    }
    void update() { CommandsRig::runScriptRow(); }
};

QTEST_GUILESS_MAIN(tst_update)
#include "tst_update.moc"
