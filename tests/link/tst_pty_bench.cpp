#include "support/PtyUnit.h"

#include "link/CommandExchange.h"
#include "link/SerialPortComm.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int BlockBytes = 256;
constexpr int AcknowledgeBytes = 2;
constexpr int Blocks = 100;
constexpr double LineBaud = 460800.0;
constexpr double BitsPerByte = 10.0;

}  // namespace

// Figures for the serial backend over a pseudo-terminal; nothing here asserts a speed.
class tst_pty_bench : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QVERIFY(m_folder.isValid()); }

    // One "q" and its 10-character reply, as fast as the simulator answers.
    void identifyRoundTrip()
    {
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(portsDir()));
        SerialPortComm comm(portsDir());
        open(comm);
        QBENCHMARK {
            QCOMPARE(exchange(comm, 'q', {}, 10, 500).size(), 10);
        }
    }

    // The shape of an upload on a line paced at 460800 baud: 256 bytes out, then a 2-byte
    // answer awaited, block after block. Compares the time taken with the line's own time.
    void acknowledgedBlocksAtLineSpeed_data()
    {
        QTest::addColumn<int>("piece");
        QTest::newRow("block written whole") << BlockBytes;
        QTest::newRow("block written 2 bytes at a time") << 2;
    }
    void acknowledgedBlocksAtLineSpeed()
    {
        QFETCH(int, piece);
        PtyUnit unit;
        // A two-character identity stands in for the acknowledgement.
        START_PTY_UNIT(unit, PtyUnit::linkArguments(portsDir(), 1,
                                                    {QStringLiteral("--baud"), QString::number(LineBaud),
                                                     QStringLiteral("--identity"), QStringLiteral("ok")}));
        SerialPortComm comm(portsDir());
        open(comm);

        // Filler the unit ignores, then "q" and a carriage return to draw the answer.
        const QByteArray block = QByteArray(BlockBytes - 2, '\0') + "q\r";
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < Blocks; ++i) {
            for (int at = 0; at < BlockBytes; at += piece)
                comm.OutputText(block.mid(at, piece));
            QCOMPARE(readReply(comm, AcknowledgeBytes, 2000), QByteArray("ok"));
        }
        const double measuredMs = double(clock.nsecsElapsed()) / 1e6;
        const double lineMs = Blocks * (BlockBytes + AcknowledgeBytes) * BitsPerByte / LineBaud * 1000.0;
        qInfo("%d blocks of %d bytes + %d back at %.0f baud: line %.1f ms, measured %.1f ms (%+.2f%%)",
              Blocks, BlockBytes, AcknowledgeBytes, LineBaud, lineMs, measuredMs,
              (measuredMs / lineMs - 1.0) * 100.0);
        QVERIFY(!comm.takeError());
    }

private:
    QString portsDir() const { return m_folder.filePath(QStringLiteral("ports")); }
    static void open(SerialPortComm &comm)
    {
        comm.PortNumber(1);
        comm.PortOpen(true);
        QVERIFY(comm.PortOpen());
    }

    QTemporaryDir m_folder;
};

QTEST_GUILESS_MAIN(tst_pty_bench)
#include "tst_pty_bench.moc"
