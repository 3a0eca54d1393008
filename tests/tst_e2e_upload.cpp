#include "support/PtyUnit.h"
#include "support/RecordingPrompter.h"
#include "support/RecordingSurface.h"
#include "support/RecordingWindows.h"
#include "support/UploadRig.h"

#include "app/AppPaths.h"
#include "app/Declarations.h"
#include "app/MainController.h"
#include "link/SerialPortComm.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The real program's pieces on tavix-unit-sim over a pseudo-terminal: the QSerialPort backend,
// the main window's logic and the recorders in place of the windows.
struct PtyRig {
    explicit PtyRig()
        : paths(AppPaths::inFolder(folder.path()))
    {
    }

    QStringList arguments(const QStringList &more = {}) const
    {
        return QStringList { QStringLiteral("--link"),
            QDir(paths.portsDir).filePath(QStringLiteral("com1")), QStringLiteral("--store-dir"),
            folder.filePath(QStringLiteral("stored")) }
        + more;
    }
    void connect()
    {
        controller = std::make_unique<MainController>(declarations, paths,
            std::make_unique<SerialPortComm>(paths.portsDir), surface, prompter, windows);
        controller->timers().Timer2.stop();
        controller->setOverflowPrompt(&overflow);
        controller->comm().PortNumber(1);
        controller->comm().PortOpen(true);
        controller->comm().LineSettings(QStringLiteral("460800N,8,1"));
        surface.autoReduce = false;
        QDir().mkpath(paths.waveDir);
    }
    QString writeWave(const WaveFile &wave)
    {
        const QString path = QDir(paths.waveDir).filePath(QStringLiteral("Chime.wav"));
        wave.write(path);
        return path;
    }

    QTemporaryDir folder;
    AppPaths paths;
    modDeclarations declarations;
    RecordingSurface surface;
    RecordingPrompter prompter;
    RecordingWindows windows;
    ScriptedOverflow overflow;
    std::unique_ptr<MainController> controller;
};

} // namespace

class tst_e2e_upload : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A stereo file over two locations, at the line's pace, stored as the conversion says.
    void uploadOverAPseudoTerminal()
    {
        PtyRig rig;
        PtyUnit unit;
        START_PTY_UNIT(
            unit, rig.arguments({ QStringLiteral("--baud"), QStringLiteral("3000000") }));
        rig.connect();
        QVERIFY(rig.controller->comm().PortOpen());
        rig.overflow.answer = QStringLiteral("Proceed");
        WaveFile wave;
        wave.channels = 2;
        wave.sampleRate = 16000;
        wave.data = pcm16(530000, 2, 9);
        rig.prompter.files << rig.writeWave(wave);
        rig.controller->cmdChange_Click();

        QCOMPARE(rig.surface.statusText, QStringLiteral("1060000 bytes sent"));
        QCOMPARE(rig.overflow.showings, 1);
        QCOMPARE(rig.surface.names[0], QStringLiteral("Chime           "));
        QCOMPARE(rig.surface.names[1], QStringLiteral("Chime           "));
        QCOMPARE(rig.surface.widths[0], 800);
        QVERIFY(rig.prompter.texts().isEmpty());

        QFile stored(rig.folder.filePath(QStringLiteral("stored/loc1.wav")));
        QTRY_VERIFY(stored.exists());
        QVERIFY(stored.open(QIODevice::ReadOnly));
        const QByteArray back = stored.readAll();
        const QByteArray words = expectedWords16(wave.data, 2, 0, 530000);
        QCOMPARE(back, WaveFile::fromUnitAudio(words, 16000).bytes());
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
        rig.prompter.files << rig.writeWave(wave);
        rig.controller->cmdChange_Click();
        QCOMPARE(rig.prompter.texts(), QStringList { QStringLiteral("File Read Error!") });
        QCOMPARE(rig.surface.statusText, QStringLiteral("Error 5"));
        QCOMPARE(rig.surface.states.last(), QStringLiteral("idle"));
        QVERIFY(!rig.surface.progressVisible);
    }
};

QTEST_MAIN(tst_e2e_upload)
#include "tst_e2e_upload.moc"
