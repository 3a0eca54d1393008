#include "support/LineScript.h"

#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "protocol/SampleSource.h"
#include "protocol/TavixUnit.h"
#include "protocol/UploadWire.h"

#include <QRegularExpression>
#include <QTest>

namespace {

// One session on a simulated unit, port 1 open, every byte on the line kept.
struct Rig {
    Rig()
    {
        comm.PortNumber(1);
        comm.PortOpen(true);
        session.setReplySink(&sink);
    }

    VirtualClock clock;
    UnitEngine unit;
    SimComm comm { unit, clock };
    TavixUnit session { comm };
    QByteArray sink = QByteArrayLiteral("untouched");
};

QString text(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

// Faults at the unit's exchanges, ";" between them: "D=bytes" answers those bytes instead ("\r"
// a carriage return), "D=" nothing, "D#27" only the first 27 bytes; then "@n" for the n-th answer
// there (0: every one).
void inject(UnitEngine &unit, const QString &faults)
{
    for (QString entry : faults.split(u';', Qt::SkipEmptyParts)) {
        UnitEngine::Fault f;
        f.kind = UnitEngine::Fault::Replace;
        f.occurrence = 1;
        if (const qsizetype at = entry.lastIndexOf(u'@'); at > 0) {
            f.occurrence = entry.mid(at + 1).toInt();
            entry.truncate(at);
        }
        const qsizetype mark = entry.indexOf(QRegularExpression(QStringLiteral("[=#]")));
        f.point = entry.left(mark).toLatin1();
        f.replacement
            = entry.mid(mark + 1).replace(QStringLiteral("\\r"), QStringLiteral("\r")).toLatin1();
        if (entry.at(mark) == u'#') {
            f.kind = UnitEngine::Fault::Truncate;
            f.keep = f.replacement.toInt();
        } else if (f.replacement.isEmpty()) {
            f.kind = UnitEngine::Fault::NoReply;
        }
        unit.injectFault(f);
    }
}

// The line in short: each write as its bytes, each read as count/wait:bytes got, but the
// discard before each command as "discard" and the drain after a reply that ran short or was
// not the answer as "drain" (and ":10" when it found something).
QString line(const SimComm &comm)
{
    QStringList events;
    for (const auto &e : comm.line()) {
        if (e.kind == SimComm::LineEvent::Write)
            events << lineText(e.bytes);
        else if (e.count == 256 && e.waitMs == 0 && e.bytes.isEmpty())
            events << text("discard");
        else if (e.count == 10 && e.waitMs == 200)
            events << text(e.bytes.isEmpty() ? "drain" : "drain:10");
        else
            events << QStringLiteral("%1/%2:%3").arg(e.count).arg(e.waitMs).arg(e.bytes.size());
    }
    return events.join(u' ');
}

// The last reply read by a command (not by a discard or a drain), or "untouched" when there is
// none: what the reply sink must hold.
QByteArray lastReply(const SimComm &comm)
{
    QByteArray last = QByteArrayLiteral("untouched");
    for (const auto &event : comm.line())
        if (event.kind == SimComm::LineEvent::Read && event.waitMs != 200 && event.waitMs != 0)
            last = event.bytes;
    return last;
}

// A result as a short text: its status, the component's text and the operation's value.
QString said(const UnitResult &result, const QString &value = {})
{
    static const char *statuses[]
        = { "Ok", "NoReply", "Unexpected", "CommFailed", "InvalidArgument" };
    return QStringList { text(statuses[int(result.status)]), result.detail, value }
        .join(u' ')
        .simplified();
}

QString describe(const DirectoryRecord &r)
{
    return QStringLiteral("%1 %2 %3").arg(r.location).arg(r.name.trimmed()).arg(r.bytesOccupied);
}

// Runs the operation a row names ("erase 3") and says what came of it.
QString perform(TavixUnit &s, const QString &operation)
{
    const QString op = operation.section(u' ', 0, 0);
    const int n = operation.section(u' ', 1, 1).toInt();
    if (op == u"identify")
        return said(s.identify(QStringLiteral("460800")));
    if (op == u"directory") { // n: the records the caller takes before it ends the read
        int seen = 0;
        const auto r = s.readDirectory([&](const DirectoryRecord &) { return ++seen != n; });
        QStringList records;
        for (const DirectoryRecord &record : r.value.records)
            records << describe(record);
        if (records.size() > LocationCount)
            records = QStringList { QStringLiteral("%1 records").arg(records.size()) };
        return said(r, text(r.value.complete ? "complete:" : "partial:") + records.join(u','));
    }
    if (op == u"erase")
        return said(s.erase(n));
    if (op == u"readMode") {
        const auto r = s.readMode();
        return said(r, text(r.value == PlaybackMode::Stack ? "stack" : "interrupt"));
    }
    if (op == u"writeMode")
        return said(s.writeMode(n ? PlaybackMode::Interrupt : PlaybackMode::Stack));
    if (op == u"readDelay") {
        const auto r = s.readDelay();
        return said(r, QString::number(r.value));
    }
    if (op == u"writeDelay") {
        const auto r = s.writeDelay(quint8(n));
        QStringList refused;
        for (quint8 number : r.value)
            refused << QString::number(number);
        return said(r, refused.join(u','));
    }
    if (op == u"play")
        return said(s.play(n));
    if (op == u"poll") {
        const auto r = s.poll();
        return said(r, text(r.value == PlayState::Playing ? "playing" : "done"));
    }
    if (op == u"stop")
        return said(s.stop());
    if (op == u"partId") {
        const auto r = s.manufacturerCode(n);
        return said(r, QString::fromLatin1(r.value.toHex()));
    }
    if (op == u"firstByte") {
        const auto r = s.firstByte(n);
        return said(r, QString::number(r.value, 16));
    }
    return said(s.clearInput());
}

// Samples from memory, for the transfer's failure rows: it can refuse to open, turn unhealthy
// from a byte on, and it tells what the line showed whenever it was asked for words.
class MemorySource : public SampleSource {
public:
    bool open() override
    {
        ++opens;
        return !openFails;
    }
    void appendWords(QByteArray &out, int count) override
    {
        if (onAppend)
            onAppend();
        for (int i = 0; i < count; ++i, at += 2) {
            // Past the end: the unit's silence, the middle of offset binary.
            out += at + 2 <= words.size() ? words.mid(at, 2) : QByteArrayLiteral("\x80\x00");
            m_healthy = m_healthy && (failFrom < 0 || at < failFrom);
        }
    }
    bool healthy() const override { return m_healthy; }
    void close() override { ++closes; }

    QByteArray words;
    bool openFails = false;
    qsizetype failFrom = -1;
    std::function<void()> onAppend;
    int opens = 0;
    int closes = 0;

private:
    qsizetype at = 0;
    bool m_healthy = true;
};

QByteArray testWords(int bytes)
{
    QByteArray words;
    for (int i = 0; i < bytes; ++i)
        words += static_cast<char>((i * 37 + i / 256) & 0xFF);
    return words;
}

const QByteArray Lobby = QByteArrayLiteral("Lobby           ");
// A first block, four full ones and a final one of 100 bytes.
constexpr int TransferBytes = 224 + 4 * 256 + 100;

// The line of a transfer of `words` to location 2 at 8000 Hz that went through: the command,
// the header field by field, then blocks of 224, 256 ... bytes, each after its count (0 for 256).
QString storedLine(const QByteArray &words)
{
    QString line
        = text("discard L 02 \\r 2/2000:2 ") + lineText(Lobby) + text(" @ \\x1f \\x00 \\x00 stop");
    for (int i = 0; i < 4; ++i)
        line += u' ' + lineText(QByteArray(1, char(words.size() >> (8 * i))));
    line += text(" \\x00\\x00 \\r 2/2000:2");
    for (qsizetype at = 0, bytes = 224; at < words.size();
         at += bytes, bytes = qMin<qsizetype>(256, words.size() - at))
        line += u' ' + lineText(char(bytes % 256) + words.mid(at, bytes))
            + text(at + bytes < words.size() ? " 2/2000:2" : " 2/4000:2");
    return line;
}

} // namespace

// The unit session against the simulated unit, byte for byte on the line.
class tst_session : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // "operation | faults | the line | result" (see perform, inject and line), on a unit that
    // holds "Lobby" at location 2 and "Hall" over 5 to 7, and 7 in the first delay register.
    // A poll comes after the start of a playback, "later" a second after it, when the message
    // has ended.
    void exchanges_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("faults");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("result");
        for (const char *row :
            { // "Tavix" anywhere in ten characters; a short reply is left to the next discard.
                "identify |  | discard q \\r 10/500:10 | Ok",
                "identify | q= | discard q \\r 10/500:0 | NoReply",
                "identify | q=xxTavix!yy | discard q \\r 10/500:10 | Ok",
                "identify | q=Tavix | discard q \\r 10/500:5 | Ok",
                "identify | q=TAVIX v1.0 | discard q \\r 10/500:10 | Unexpected",
                // The directory: a drain, then "D" and an "N" for each record taken; a record
                // from 28 characters on, the end marker whatever follows its ten "K".
                "directory |  | drain discard D \\r 29/1000:29 discard N \\r 29/1000:29 discard N "
                "\\r 29/1000:29 | Ok complete:2 Lobby 1032,5 Hall 2097336",
                "directory | D#28 | drain discard D \\r 29/1000:28 drain discard N \\r 29/1000:29 "
                "discard N \\r 29/1000:29 | Ok complete:2 Lobby 1032,5 Hall 2097336",
                "directory | D#27 | drain discard D \\r 29/1000:27 drain | Unexpected partial:",
                "directory | N=KKKKKKKKKKxyz@2 | drain discard D \\r 29/1000:29 discard N \\r "
                "29/1000:29 discard N \\r 29/1000:13 drain | Ok complete:2 Lobby 1032,5 Hall "
                "2097336",
                "directory | N=KKKKKKKKKxyz@2 | drain discard D \\r 29/1000:29 discard N \\r "
                "29/1000:29 discard N \\r 29/1000:12 drain | Unexpected partial:2 Lobby 1032,5 "
                "Hall "
                "2097336",
                "directory | N= | drain discard D \\r 29/1000:29 discard N \\r 29/1000:0 drain | "
                "NoReply partial:2 Lobby 1032",
                "directory 1 |  | drain discard D \\r 29/1000:29 | Ok partial:2 Lobby 1032",
                // Erase: any reply counts, only silence fails.
                "erase 3 |  | discard C 03 \\r 2/40000:2 | Ok",
                "erase 3 | C#1 | discard C 03 \\r 2/40000:1 drain | Ok",
                "erase 3 | C= | discard C 03 \\r 2/40000:0 drain | NoReply",
                "erase 8 |  |  | InvalidArgument",
                // Registers: a read takes two characters, a write's reply begins with "K".
                "readMode |  | discard R \\x01 \\r 2/2000:2 | Ok stack",
                "readMode | R=\u00ffK | discard R \\x01 \\r 2/2000:2 | Ok interrupt",
                "readMode | R#1 | discard R \\x01 \\r 2/2000:1 drain | Unexpected stack",
                "readDelay |  | discard R \\x09 \\r 2/2000:2 | Ok 7",
                "writeMode 0 |  | discard W \\x01 \\x00 \\r 2/2000:2 | Ok",
                "writeMode 255 | W=X\\r | discard W \\x01 \\xff \\r 2/2000:2 drain | Unexpected",
                // Playback: "P" and "A" have no reply; silence to "S" is the end, which the
                // unit confirms on a carriage return.
                "play 2 |  | discard P 02 \\r | Ok", "play 8 |  |  | InvalidArgument",
                "poll |  | discard S 1/500:1 | Ok playing",
                "poll | S=K | discard S 1/500:1 drain | Unexpected playing",
                "poll later |  | discard S 1/500:0 \\r 2/1000:2 | Ok done",
                "poll later | S-CR= | discard S 1/500:0 \\r 2/1000:0 drain | NoReply done",
                "stop |  | discard A | Ok",
                // Diagnostics: the part id takes four characters; any first byte counts.
                "partId 0 |  | discard E 00 M \\r 4/2000:4 | Ok 545808",
                "partId 0 | EM#3 | discard E 00 M \\r 4/2000:3 drain | Unexpected",
                "firstByte 4 |  | discard E 04 R \\r 2/2000:2 | Ok ff",
                "firstByte 4 | ER= | discard E 04 R \\r 2/2000:0 drain | NoReply 0",
                "clearInput |  | drain | Ok" }) {
            const QStringList parts = QString::fromUtf8(row).split(QStringLiteral(" | "));
            QTest::newRow(row) << parts.at(0) << parts.at(1) << parts.at(2) << parts.at(3);
        }
        // All eight delay registers are written; a refusal, drained at once, stops none.
        QStringList eight;
        for (int n = 9; n <= 16; ++n)
            eight << QStringLiteral("discard W %1 \\x05 \\r 2/2000:2")
                         .arg(lineText(QByteArray(1, char(n))));
        QTest::newRow("delay write")
            << text("writeDelay 5") << QString() << eight.join(u' ') << text("Ok");
        eight[1] += text(" drain");
        eight[4] += text(" drain");
        QTest::newRow("delay write, 10 and 13 refuse")
            << text("writeDelay 5") << text("W=E\\r@2;W=E\\r@5") << eight.join(u' ')
            << text("Unexpected 10,13");
        const QString first = text("drain discard D \\r 29/1000:29");
        QTest::newRow("records without end")
            << text("directory") << text("N=\1Loop            rrrrrrrr\1\1\1r@0")
            << first + text(" discard N \\r 29/1000:29").repeated(MostRecords)
            << text("Unexpected partial:64 records");
        QTest::newRow("a line that keeps talking: no D")
            << text("directory") << text("noise") << QStringList(11, text("drain:10")).join(u' ')
            << text("CommFailed Data keeps arriving. partial:");
    }
    void exchanges()
    {
        QFETCH(QString, operation);
        QFETCH(QString, faults);
        QFETCH(QString, line);
        QFETCH(QString, result);
        Rig rig;
        rig.unit.store(2, { Lobby, 8000, QByteArray(1000, '\x11') });
        rig.unit.store(5, { "Hall            ", 8000, QByteArray(2 * 1048576 + 152, '\x11') });
        rig.unit.setRegister(FirstDelayRegister, 7);
        if (operation.startsWith(u"poll")) {
            rig.session.play(2);
            rig.clock.advance(operation.endsWith(u"later") ? 1000 : 0);
        }
        rig.comm.clearLine();
        if (faults == u"noise")
            rig.unit.sendUnasked(50, 0, 3600 * 1000);
        else
            inject(rig.unit, faults);

        QCOMPARE(perform(rig.session, operation), result);
        QCOMPARE(::line(rig.comm), line);
        // The probe's answer never was the window's strData.
        QCOMPARE(rig.sink, operation == u"identify" ? "untouched" : lastReply(rig.comm));
        if (operation == u"identify")
            QCOMPARE(rig.comm.lastLineSettings(), QStringLiteral("460800N,8,1"));
    }

    // Outcome, blocks written after the header, data bytes acknowledged, and "drained" when
    // the input was emptied at the end.
    void upload_data()
    {
        QTest::addColumn<QString>("twist");
        QTest::addColumn<QString>("faults");
        QTest::addColumn<QString>("expected");
        const auto row
            = [](const char *name, const char *twist, const char *faults, const char *expected) {
                  QTest::newRow(name) << text(twist) << text(faults) << text(expected);
              };
        row("stored", "", "", "Stored 6 1348");
        row("40 bytes padded to 226", "size 40", "", "Stored 2 226");
        row("a final block of 256 bytes", "size 736", "", "Stored 3 736");
        row("N with any second character continues", "", "L.block=N?@0", "Stored 6 1348");
        row("no reply to L", "", "L=", "NoLoadAck 0 0 drained");
        row("L answered n", "", "L=n\r", "NoLoadAck 0 0 drained");
        row("header refused", "", "L.header=X\r", "HeaderRefused 0 0 drained");
        row("first block answered K", "", "L.block=K\r", "FirstBlockRefused 1 0 drained");
        row("second full block answered K", "", "L.block=K\r@3", "PrematureK 3 480 drained");
        row("first full block unanswered", "", "L.block=@2", "TransmissionError 2 224 drained");
        row("no final K", "", "L.final=", "NoFinalK 6 1248 drained");
        row("final answered N", "", "L.final=N\r", "NoFinalK 6 1248 drained");
        row("Stop seen at the second full block", "cancel 3", "", "Aborted 2 480 drained");
        row("Stop seen before the final block", "cancel 6", "", "Aborted 5 1248 drained");
        row("the window closes while the first full block is acknowledged", "end 3", "",
            "EndedByHook 2 224");
        row("samples do not open", "open fails", "", "FileReadFailed 0 0 drained");
        row("samples fail in the second full block", "read fails", "",
            "FileReadFailed 2 480 drained");
        row("device gone while the first full block is acknowledged", "vanish 3", "",
            "CommFailed 2 224");
        row("location 8", "location 8", "", "InvalidJob 0 0");
        row("15-byte name", "short name", "", "InvalidJob 0 0");
        row("odd size", "size 1001", "", "InvalidJob 0 0");
    }
    void upload()
    {
        QFETCH(QString, twist);
        QFETCH(QString, faults);
        QFETCH(QString, expected);
        const int blocks = expected.section(u' ', 1, 1).toInt();
        const int acknowledged = expected.section(u' ', 2, 2).toInt();
        Rig rig;
        inject(rig.unit, faults);

        const int dataSize = twist.startsWith(u"size ") ? twist.mid(5).toInt() : TransferBytes;
        MemorySource memory;
        memory.words = testWords(dataSize);
        memory.openFails = twist == u"open fails";
        if (twist == u"read fails")
            memory.failFrom = 224 + 256;
        QList<SimComm::LineEvent::Kind> beforePrepare;
        memory.onAppend = [&] { beforePrepare << rig.comm.line().last().kind; };
        QByteArray words = memory.words; // as the unit should get them
        while (words.size() < acknowledged)
            words += QByteArrayLiteral("\x80\x00");

        UploadJob job;
        job.location = twist == u"location 8" ? 8 : 2;
        job.name = twist == u"short name" ? Lobby.left(15) : Lobby;
        job.rateBytes = { 0x40, 0x1f, 0, 0 }; // 8000 Hz
        job.dataSize = dataSize;
        job.samples = &memory;

        int tops = 0;
        QList<SimComm::LineEvent::Kind> eventsAfter;
        bool stopPressed = false;
        QList<qint32> progress;
        UploadHooks hooks;
        hooks.beforeBlock = [&] {
            ++tops;
            eventsAfter << rig.comm.line().last().kind;
            const QString at = QString::number(tops);
            if (twist == QStringLiteral("cancel ") + at)
                stopPressed = true;
            if (twist == QStringLiteral("vanish ") + at)
                rig.comm.vanish();
            return twist != QStringLiteral("end ") + at;
        };
        hooks.cancelled = [&] { return stopPressed; };
        hooks.progress = [&](qint32 sent, qint32 total) {
            QCOMPARE(total, qMax(dataSize, 226));
            progress << sent;
        };

        const UploadOutcome outcome = rig.session.upload(job, hooks);
        static const char *codes[] = { "Stored", "NoLoadAck", "HeaderRefused", "FirstBlockRefused",
            "PrematureK", "TransmissionError", "NoFinalK", "Aborted", "FileReadFailed",
            "CommFailed", "EndedByHook", "InvalidJob" };
        const QString line = ::line(rig.comm);
        QCOMPARE(QStringLiteral("%1 %2 %3%4")
                     .arg(text(codes[int(outcome.code)]))
                     .arg(blockWrites(rig.comm).size())
                     .arg(outcome.bytesSent)
                     .arg(text(line.endsWith(u"drain") ? " drained" : "")),
            expected);
        const UploadCode code = outcome.code;
        QCOMPARE(outcome.detail.isEmpty(),
            code != UploadCode::InvalidJob && code != UploadCode::CommFailed);
        if (code == UploadCode::InvalidJob) {
            QVERIFY(line.isEmpty());
            QCOMPARE(memory.opens, 0);
            return;
        }
        // A vanished device records no read, but the sink still took the empty one.
        if (code != UploadCode::CommFailed)
            QCOMPARE(rig.sink, lastReply(rig.comm));
        QVERIFY(memory.closes > 0);
        if (code != UploadCode::Stored)
            return;
        QCOMPARE(outcome.total, acknowledged);
        QCOMPARE(rig.unit.messageAt(2)->audio, words);
        if (faults.isEmpty())
            QCOMPARE(line, storedLine(words));
        // Events run once per block; progress is told at the top of each full block.
        QCOMPARE(tops, blocks);
        QList<qint32> tops224;
        for (int sent = 224; sent + 256 < acknowledged; sent += 256)
            tops224 << sent;
        QCOMPARE(progress, tops224);
        // Events run, and each block after the first is read from the samples, while the unit
        // takes in what was written before: right after a write, before its acknowledgement.
        QVERIFY(!eventsAfter.contains(SimComm::LineEvent::Read));
        QCOMPARE(beforePrepare.size(), blocks);
        QVERIFY(!beforePrepare.contains(SimComm::LineEvent::Read));
    }
};

QTEST_GUILESS_MAIN(tst_session)
#include "tst_session.moc"
