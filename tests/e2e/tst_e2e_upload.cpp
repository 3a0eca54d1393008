#include "support/PtyUnit.h"
#include "support/UploadRig.h"

#include "link/SerialPortComm.h"

#include <QDir>
#include <QTest>

namespace {

// The main window's logic on tavix-unit-sim over a pseudo-terminal through the QSerialPort
// backend, ready for Update commands.
struct PtyRig : UnitFixture {
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
    // The unit goes away in the middle of a transfer: a message, no hang, no crash.
    void unitVanishes()
    {
        PtyRig rig;
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(rig.paths.portsDir));
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
