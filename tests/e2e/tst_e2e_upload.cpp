#include "support/PtyUnit.h"
#include "support/UploadRig.h"

#include "link/SerialPortComm.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

// The main window's logic on tavix-unit-sim over a pseudo-terminal through the QSerialPort
// backend, ready for Update commands; the unit keeps what it stores in the folder "stored".
struct PtyRig : UnitFixture {
    QStringList arguments(const QStringList &more = {}) const
    {
        return PtyUnit::linkArguments(paths.portsDir, 1,
                                      QStringList{QStringLiteral("--store-dir"), folder.filePath(QStringLiteral("stored"))}
                                          + more);
    }
    void connect()
    {
        controller = std::make_unique<MainController>(declarations, paths,
                                                      std::make_unique<SerialPortComm>(paths.portsDir), surface,
                                                      prompter, windows);
        controller->timers().Timer2.stop();
        controller->setOverflowPrompt(&overflow);
        controller->comm().PortNumber(1);
        controller->comm().PortOpen(true);
        controller->comm().LineSettings(QStringLiteral("460800N,8,1"));
        surface.autoReduce = false;
    }
    void update(const WaveFile &wave)
    {
        QDir().mkpath(paths.waveDir);
        const QString path = QDir(paths.waveDir).filePath(QStringLiteral("Chime.wav"));
        QVERIFY(wave.write(path));
        prompter.files << path;
        controller->cmdChange_Click();
    }

    ScriptedOverflow overflow;
};

}  // namespace

class tst_e2e_upload : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A stereo file over two locations, at the line's pace, stored as the conversion says.
    void uploadOverAPseudoTerminal()
    {
        PtyRig rig;
        PtyUnit unit;
        START_PTY_UNIT(unit, rig.arguments({QStringLiteral("--baud"), QStringLiteral("3000000")}));
        rig.connect();
        QVERIFY(rig.controller->comm().PortOpen());
        rig.overflow.answer = QStringLiteral("Proceed");
        WaveFile wave;
        wave.channels = 2;
        wave.sampleRate = 16000;
        wave.data = pcm16(530000, 2, 9);
        rig.update(wave);

        QCOMPARE(rig.surface.statusText, QStringLiteral("1060000 bytes sent"));
        QCOMPARE(rig.overflow.showings, 1);
        QCOMPARE(rig.surface.names[0], QStringLiteral("Chime           "));
        QCOMPARE(rig.surface.names[1], QStringLiteral("Chime           "));
        QCOMPARE(rig.surface.widths[0], 800);
        QVERIFY(rig.prompter.texts().isEmpty());

        QFile stored(rig.folder.filePath(QStringLiteral("stored/loc1.wav")));
        QTRY_VERIFY(stored.exists());
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), WaveFile::fromUnitAudio(expectedWords16(wave.data, 2, 0, 530000), 16000).bytes());
        QVERIFY(!rig.controller->comm().takeError());
    }

    // The unit goes away in the middle of a transfer: a message, no hang, no crash.
    void unitVanishes()
    {
        PtyRig rig;
        PtyUnit unit;
        START_PTY_UNIT(unit, rig.arguments());
        rig.connect();
        rig.surface.onEvents = [&] {
            if (rig.surface.eventRuns == 20)
                unit.kill();
        };
        WaveFile wave;
        wave.data = pcm16(200000, 1);
        rig.update(wave);
        QCOMPARE(rig.prompter.texts(), QStringList{QStringLiteral("File Read Error!")});
        QCOMPARE(rig.surface.statusText, QStringLiteral("Error 5"));
        QCOMPARE(rig.surface.states.last(), QStringLiteral("idle"));
        QVERIFY(!rig.surface.progressVisible);
    }
};

QTEST_MAIN(tst_e2e_upload)
#include "tst_e2e_upload.moc"
