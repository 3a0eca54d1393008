#include "support/LineScript.h"

#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "protocol/SampleSource.h"
#include "protocol/TavixUnit.h"
#include "protocol/UploadWire.h"

#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(UnitEngine::Fault)
Q_DECLARE_METATYPE(UploadCode)

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

UnitEngine::Fault fault(const char *point, UnitEngine::Fault::Kind kind,
    const QByteArray &replacement = {}, int occurrence = 1)
{
    UnitEngine::Fault f;
    f.point = point;
    f.kind = kind;
    f.replacement = replacement;
    f.occurrence = occurrence;
    return f;
}
const UnitEngine::Fault noFault {};

// Faults at the unit's exchanges, ";" between them: "D=bytes" answers those bytes instead, "D="
// nothing, "D#27" only the first 27 bytes; then "@n" for the n-th answer there (0: every one).
void inject(UnitEngine &unit, const QString &faults)
{
    for (QString spec : faults.split(u';', Qt::SkipEmptyParts)) {
        UnitEngine::Fault f = fault("", UnitEngine::Fault::Replace);
        if (const qsizetype at = spec.lastIndexOf(u'@'); at > 0) {
            f.occurrence = spec.mid(at + 1).toInt();
            spec.truncate(at);
        }
        const qsizetype mark = spec.indexOf(QRegularExpression(QStringLiteral("[=#]")));
        f.point = spec.left(mark).toLatin1();
        f.replacement = spec.mid(mark + 1).toLatin1();
        if (spec.at(mark) == u'#')
            f.kind = UnitEngine::Fault::Truncate, f.keep = f.replacement.toInt();
        else if (f.replacement.isEmpty())
            f.kind = UnitEngine::Fault::NoReply;
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

// A command on the line: the discard, its writes, its read, and a drain when that ran short.
QString ask(QAnyStringView writes, int count, int waitMs, int got)
{
    return QStringLiteral("discard %1 %2/%3:%4")
               .arg(writes.toString())
               .arg(count)
               .arg(waitMs)
               .arg(got)
        + (got < count ? QStringLiteral(" drain") : QString());
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

QString describe(const DirectoryRecord &record)
{
    return QStringLiteral("%1 %2 %3")
        .arg(record.location)
        .arg(record.name.trimmed())
        .arg(record.bytesOccupied);
}

// Runs the operation a row names ("erase 3"): its status, the component's text, its value.
QString perform(TavixUnit &s, const QString &operation)
{
    const QString op = operation.section(u' ', 0, 0);
    const int n = operation.section(u' ', 1, 1).toInt();
    const auto said = [](const UnitResult &result, const QString &value = {}) {
        static const char *statuses[]
            = { "Ok", "NoReply", "Unexpected", "CommFailed", "InvalidArgument" };
        return QStringList { text(statuses[int(result.status)]), result.detail, value }
            .join(u' ')
            .simplified();
    };
    if (op == u"identify")
        return said(s.identify(QStringLiteral("460800")));
    if (op == u"D" || op == u"N") {
        const auto r = s.readRecord(op == u"D");
        static const char *kinds[] = { "", "end", "missing", "short" };
        return said(r,
            r.value.kind == DirectoryReplyKind::Record ? describe(r.value.record)
                                                       : text(kinds[int(r.value.kind)]));
    }
    if (op == u"directory") { // n: how many records the caller takes before it ends the read
        int seen = 0;
        const auto r = s.readDirectory([&](const DirectoryRecord &) { return ++seen != n; });
        QStringList records;
        for (const DirectoryRecord &record : r.value.records)
            records << describe(record);
        if (records.size() > 8)
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
        return said(s.writeMode(n == 0 ? PlaybackMode::Stack : PlaybackMode::Interrupt));
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
    bool open() override { return ++opens, !openFails; }
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

// The whole line of a transfer to location 2 at 8000 Hz that went through.
QStringList storedLine(const QByteArray &words)
{
    QStringList line = command({ "L", "02", "\\r" }) << readOf(2, 2000, 2);
    line << QStringLiteral("> ") + lineText(Lobby);
    for (const quint32 value : { 8000u, quint32(words.size()) }) {
        if (value != 8000u)
            line << QStringLiteral("> stop");
        for (int i = 0; i < 4; ++i)
            line << QStringLiteral("> ") + lineText(QByteArray(1, char(value >> (8 * i))));
    }
    line << QStringLiteral("> \\x00\\x00") << QStringLiteral("> \\r") << readOf(2, 2000, 2);
    for (qsizetype at = 0, bytes = 224; at < words.size();
         bytes = qMin<qsizetype>(256, words.size() - at)) {
        line << QStringLiteral("> ")
                + lineText(char(bytes == 256 ? 0 : bytes) + words.mid(at, bytes));
        at += bytes;
        line << readOf(2, at == words.size() ? 4000 : 2000, 2);
    }
    return line;
}

} // namespace

// The unit session against the simulated unit, byte for byte on the line.
class tst_session : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A unit that holds "Lobby" at location 2 and "Hall" over 5 to 7, and 7 in the first delay
    // register. "N" runs after "D" and one "N"; a poll after the start of a playback, "later"
    // a second after it, when the message has ended.
    void exchanges_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("faults");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("result");
        const auto row = [](const char *name, const char *operation, const char *faults,
                             const QString &line, const char *result) {
            QTest::newRow(name) << text(operation) << text(faults) << line << text(result);
        };
        // The probe's short reply is left to the next command's discard.
        row("identify", "identify", "", text("discard q \\r 10/500:10"), "Ok");
        row("identify, silence", "identify", "q=", text("discard q \\r 10/500:0"), "NoReply");
        row("identify, Tavix among other characters", "identify", "q=xxTavix!yy",
            text("discard q \\r 10/500:10"), "Ok");
        row("identify, short reply holding Tavix", "identify", "q=Tavix",
            text("discard q \\r 10/500:5"), "Ok");
        row("identify, other letter case", "identify", "q=TAVIX v1.0",
            text("discard q \\r 10/500:10"), "Unexpected");

        row("D, a record", "D", "", ask("D \\r", 29, 1000, 29), "Ok 2 Lobby 1032");
        row("D, 28 characters still a record", "D", "D#28", ask("D \\r", 29, 1000, 28),
            "Ok 2 Lobby 1032");
        row("D, 27 characters", "D", "D#27", ask("D \\r", 29, 1000, 27), "Unexpected short");
        row("D, silence", "D", "D=", ask("D \\r", 29, 1000, 0), "NoReply missing");
        row("N, the end marker", "N", "", ask("N \\r", 29, 1000, 29), "Ok end");
        row("N, the end marker and more, short", "N", "N=KKKKKKKKKKxyz@2",
            ask("N \\r", 29, 1000, 13), "Ok end");

        // The directory: a drain first, then "D" and an "N" for each record taken.
        const QString first = text("drain ") + ask("D \\r", 29, 1000, 29) + u' ';
        const QString next = ask("N \\r", 29, 1000, 29);
        row("directory", "directory", "", first + next + u' ' + next,
            "Ok complete:2 Lobby 1032,5 Hall 2097336");
        row("directory, the caller ends it", "directory 1", "", first.trimmed(),
            "Ok partial:2 Lobby 1032");
        row("directory, silence after a record", "directory",
            "N=", first + ask("N \\r", 29, 1000, 0), "NoReply partial:2 Lobby 1032");
        row("directory, a short record", "directory", "N=KKKK", first + ask("N \\r", 29, 1000, 4),
            "Unexpected partial:2 Lobby 1032");
        row("directory, records without end", "directory", "N=\1Loop            rrrrrrrr\1\1\1r@0",
            first + QStringList(MostRecords, next).join(u' '), "Unexpected partial:64 records");
        row("directory, a line that keeps talking: no D", "directory", "noise",
            QStringList(11, text("drain:10")).join(u' '),
            "CommFailed Data keeps arriving. partial:");

        row("erase", "erase 3", "", ask("C 03 \\r", 2, 40000, 2), "Ok");
        row("erase, any reply counts", "erase 3", "C#1", ask("C 03 \\r", 2, 40000, 1), "Ok");
        row("erase, silence", "erase 3", "C=", ask("C 03 \\r", 2, 40000, 0), "NoReply");
        row("erase 8 is refused", "erase 8", "", {}, "InvalidArgument");

        row("mode read", "readMode", "", ask("R \\x01 \\r", 2, 2000, 2), "Ok stack");
        row("mode read, 255", "readMode", "R=\xffK", ask("R \\x01 \\r", 2, 2000, 2),
            "Ok interrupt");
        row("mode read, 1 character", "readMode", "R#1", ask("R \\x01 \\r", 2, 2000, 1),
            "Unexpected stack");
        row("delay read", "readDelay", "", ask("R \\x09 \\r", 2, 2000, 2), "Ok 7");
        row("mode write, stack", "writeMode 0", "", ask("W \\x01 \\x00 \\r", 2, 2000, 2), "Ok");
        // A refused write's rest is drained at once.
        row("mode write, interrupt, refused", "writeMode 255", "W=X\r",
            ask("W \\x01 \\xff \\r", 2, 2000, 2) + text(" drain"), "Unexpected");
        QStringList eight;
        for (int n = 9; n <= 16; ++n)
            eight << ask(
                QStringLiteral("W %1 \\x05 \\r").arg(lineText(QByteArray(1, char(n)))), 2, 2000, 2);
        row("delay write: eight registers", "writeDelay 5", "", eight.join(u' '), "Ok");
        eight[1] += text(" drain");
        eight[4] += text(" drain");
        row("delay write, registers 10 and 13 refuse", "writeDelay 5", "W=E\r@2;W=E\r@5",
            eight.join(u' '), "Unexpected 10,13");

        row("play", "play 2", "", text("discard P 02 \\r"), "Ok");
        row("play 8 is refused", "play 8", "", {}, "InvalidArgument");
        row("poll, playing", "poll", "", ask("S", 1, 500, 1), "Ok playing");
        row("poll, another answer", "poll", "S=K", ask("S", 1, 500, 1) + text(" drain"),
            "Unexpected playing");
        // Silence to "S" is the end, which the unit confirms on a carriage return.
        row("poll, ended", "poll later", "", text("discard S 1/500:0 \\r 2/1000:2"), "Ok done");
        row("poll, end not confirmed", "poll later",
            "S-CR=", text("discard S 1/500:0 \\r 2/1000:0 drain"), "NoReply done");
        row("stop", "stop", "", text("discard A"), "Ok");

        row("part id", "partId 0", "", ask("E 00 M \\r", 4, 2000, 4), "Ok 545808");
        row("part id, 3 characters", "partId 0", "EM#3", ask("E 00 M \\r", 4, 2000, 3),
            "Unexpected");
        row("first byte", "firstByte 4", "", ask("E 04 R \\r", 2, 2000, 2), "Ok ff");
        row("first byte, silence", "firstByte 4", "ER=", ask("E 04 R \\r", 2, 2000, 0),
            "NoReply 0");
        row("clear input", "clearInput", "", text("drain"), "Ok");
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
        } else if (operation == u"N") {
            rig.session.readRecord(true);
            rig.session.readRecord(false);
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

    void upload_data()
    {
        using F = UnitEngine::Fault;
        QTest::addColumn<QString>("twist");
        QTest::addColumn<UnitEngine::Fault>("injected");
        QTest::addColumn<UploadCode>("code");
        QTest::addColumn<int>("blocks"); // written after the header
        QTest::addColumn<int>("acknowledged");
        QTest::addColumn<bool>("drained");
        const int all = TransferBytes;
        const int toFinal = all - 100;
        QTest::newRow("stored") << "" << noFault << UploadCode::Stored << 6 << all << false;
        QTest::newRow("40 bytes padded to 226")
            << "size 40" << noFault << UploadCode::Stored << 2 << 226 << false;
        QTest::newRow("N with any second character continues")
            << "" << fault("L.block", F::Replace, "N?", 0) << UploadCode::Stored << 6 << all
            << false;
        QTest::newRow("no reply to L")
            << "" << fault("L", F::NoReply) << UploadCode::NoLoadAck << 0 << 0 << true;
        QTest::newRow("L answered n")
            << "" << fault("L", F::Replace, "n\r") << UploadCode::NoLoadAck << 0 << 0 << true;
        QTest::newRow("header refused") << "" << fault("L.header", F::Replace, "X\r")
                                        << UploadCode::HeaderRefused << 0 << 0 << true;
        QTest::newRow("first block answered K") << "" << fault("L.block", F::Replace, "K\r")
                                                << UploadCode::FirstBlockRefused << 1 << 0 << true;
        QTest::newRow("second full block answered K")
            << "" << fault("L.block", F::Replace, "K\r", 3) << UploadCode::PrematureK << 3 << 480
            << true;
        QTest::newRow("first full block unanswered")
            << "" << fault("L.block", F::NoReply, {}, 2) << UploadCode::TransmissionError << 2
            << 224 << true;
        QTest::newRow("no final K")
            << "" << fault("L.final", F::NoReply) << UploadCode::NoFinalK << 6 << toFinal << true;
        QTest::newRow("final answered N") << "" << fault("L.final", F::Replace, "N\r")
                                          << UploadCode::NoFinalK << 6 << toFinal << true;
        QTest::newRow("Stop seen at the second full block")
            << "cancel 3" << noFault << UploadCode::Aborted << 2 << 480 << true;
        QTest::newRow("Stop seen before the final block")
            << "cancel 6" << noFault << UploadCode::Aborted << 5 << toFinal << true;
        QTest::newRow("the window closes while the first full block is acknowledged")
            << "end 3" << noFault << UploadCode::EndedByHook << 2 << 224 << false;
        QTest::newRow("samples do not open")
            << "open fails" << noFault << UploadCode::FileReadFailed << 0 << 0 << true;
        QTest::newRow("samples fail in the second full block")
            << "read fails" << noFault << UploadCode::FileReadFailed << 2 << 480 << true;
        QTest::newRow("device gone while the first full block is acknowledged")
            << "vanish 3" << noFault << UploadCode::CommFailed << 2 << 224 << false;
        QTest::newRow("location 8")
            << "location 8" << noFault << UploadCode::InvalidJob << 0 << 0 << false;
        QTest::newRow("15-byte name")
            << "short name" << noFault << UploadCode::InvalidJob << 0 << 0 << false;
        QTest::newRow("odd size") << "size 1001" << noFault << UploadCode::InvalidJob << 0 << 0
                                  << false;
    }
    void upload()
    {
        QFETCH(QString, twist);
        QFETCH(UnitEngine::Fault, injected);
        QFETCH(UploadCode, code);
        QFETCH(int, blocks);
        QFETCH(int, acknowledged);
        QFETCH(bool, drained);
        Rig rig;
        if (!injected.point.isEmpty())
            rig.unit.injectFault(injected);

        const int dataSize = twist.startsWith(u"size ") ? twist.mid(5).toInt() : TransferBytes;
        MemorySource memory;
        memory.words = testWords(dataSize);
        memory.openFails = twist == u"open fails";
        if (twist == u"read fails")
            memory.failFrom = 224 + 256;
        QList<SimComm::LineEvent::Kind> beforePrepare;
        memory.onAppend = [&] { beforePrepare << rig.comm.line().last().kind; };
        QByteArray expected = memory.words;
        while (expected.size() < acknowledged)
            expected += QByteArrayLiteral("\x80\x00");

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
        QCOMPARE(outcome.code, code);
        QCOMPARE(outcome.bytesSent, acknowledged);
        QCOMPARE(blockWrites(rig.comm).size(), blocks);
        const auto &line = rig.comm.line();
        QCOMPARE(!line.isEmpty() && line.last().kind == SimComm::LineEvent::Read
                && line.last().count == 10 && line.last().waitMs == 200,
            drained);
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
        QCOMPARE(rig.unit.messageAt(2)->audio, expected);
        if (injected.point.isEmpty())
            QCOMPARE(lineScript(rig.comm), storedLine(expected));
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
