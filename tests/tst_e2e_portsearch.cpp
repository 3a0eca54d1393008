#include "support/PtyUnit.h"
#include "support/RecordingPrompter.h"

#include "app/AppPaths.h"
#include "app/MainController.h"
#include "link/PortMap.h"
#include "link/SerialPortComm.h"
#include "ui/Program.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The program as it runs for real: its own folder, the QSerialPort backend on the port links
// there, and message boxes recorded instead of shown.
struct RealProgram {
    RealProgram()
    {
        auto recorder = std::make_unique<RecordingPrompter>();
        prompter = recorder.get();
        paths = AppPaths::inFolder(folder.path());
        program = std::make_unique<Program>(
            paths, [portsDir = paths.portsDir] { return std::make_unique<SerialPortComm>(portsDir); },
            std::move(recorder));
    }

    QString link(int port) const
    {
        return QDir(paths.portsDir).filePath(QStringLiteral("com%1").arg(port));
    }

    // Opens the main window with the search pending, as after the answer No at start-up, and
    // returns the search window its Timer3 opens.
    frmSerialSearch *startSearch()
    {
        program->declarations().AutoSearchPending = true;
        program->showMainWindow();
        frmMain1 *main = program->mainWindow();
        main->controller().timers().Timer2.stop();
        main->controller().Timer3_Timer();
        return program->serialSearchWindow();
    }

    QByteArray settings() const
    {
        QFile file(paths.settingsFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir folder;
    AppPaths paths;
    RecordingPrompter *prompter = nullptr;
    std::unique_ptr<Program> program;
};

}  // namespace

// The port search over pseudo-terminals: tavix-unit-sim on a port link, the QSerialPort backend,
// the real windows offscreen. Ports without a link lead to this machine's own serial ports.
class tst_e2e_portsearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findsTheUnitOnAMappedPort_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QStringList>("simArguments");
        QTest::newRow("port 255, through all ports before it") << 255 << QStringList{};
        QTest::newRow("Tavix among other characters") << 7
                                                      << QStringList{QStringLiteral("--identity"),
                                                                     QStringLiteral("<<Tavix>>")};
    }
    void findsTheUnitOnAMappedPort()
    {
        QFETCH(int, port);
        QFETCH(QStringList, simArguments);
        if (port <= systemSerialPorts().size())
            QSKIP("this machine has a serial port of its own at that number");

        RealProgram real;
        PtyUnit unit;
        const QStringList arguments =
            QStringList{QStringLiteral("--link"), real.link(port)} + simArguments;
        START_PTY_UNIT(unit, arguments);

        frmSerialSearch *window = real.startSearch();
        QVERIFY(window);
        QElapsedTimer elapsed;
        elapsed.start();
        window->search().Timer1_Timer();
        const qint64 searchMs = elapsed.elapsed();
        qInfo("search found the unit on port %d after %lld ms (%lld system serial ports before it)",
              port, searchMs, static_cast<long long>(systemSerialPorts().size()));

        QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lblSearch"))->text(),
                 QStringLiteral("Tavix Found!"));
        QCOMPARE(real.program->declarations().CommPort, qint16(port));
        QVERIFY(real.prompter->shown.isEmpty());

        window->search().Timer2_Timer();
        QCOMPARE(real.settings(),
                 "BaudRate=460800\r\nCommPort=" + QByteArray::number(port) + "\r\n");
        // The reloaded main window has opened the found port and passed its connection check.
        frmMain1 *main = real.program->mainWindow();
        QVERIFY(main);
        QVERIFY(main->controller().comm().PortOpen());
        QVERIFY(main->controller().timers().Timer2.isActive());
        QVERIFY(main->controller().timers().Timer5.isActive() == false);
        QVERIFY(real.prompter->shown.isEmpty());
    }

    void otherLetterCaseIsNotFound()
    {
        RealProgram real;
        PtyUnit unit;
        const int port = static_cast<int>(systemSerialPorts().size()) + 1;
        const QStringList arguments{QStringLiteral("--link"), real.link(port),
                                    QStringLiteral("--identity"), QStringLiteral("TAVIX v1.0")};
        START_PTY_UNIT(unit, arguments);

        frmSerialSearch *window = real.startSearch();
        window->search().Timer1_Timer();
        QCOMPARE(real.prompter->texts(),
                 QStringList{QStringLiteral("Cannot Find Tavix, make sure unit is conected!")});
        QCOMPARE(real.program->mainWindow()->status(),
                 QStringLiteral("Communication Error, check connections!"));
        QCOMPARE(real.program->declarations().CommPort, qint16(256));
        QVERIFY(!QFile::exists(real.paths.settingsFile));
        QVERIFY(!real.program->mainWindow()->controller().comm().PortOpen());
    }
};

QTEST_MAIN(tst_e2e_portsearch)
#include "tst_e2e_portsearch.moc"
