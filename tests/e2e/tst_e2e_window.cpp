#include "support/ProgramFixture.h"
#include "support/PtyUnit.h"

#include "link/SerialPortComm.h"

#include <QProgressBar>

// The program with its windows offscreen on tavix-unit-sim over a pseudo-terminal, through the
// QSerialPort backend; ports without a link lead to this machine's own serial ports.
class tst_e2e_window : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void window_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("then");
        QTest::addColumn<QString>("after");  // the names, mode and delay shown; the boxes; the status
        const QString demo = QStringLiteral("Lobby chime,,Opening hours,Opening hours,,,,Goodbye,Stack 0|");
        QTest::newRow("searched on port 255, then an upload")
            << 255 << QStringLiteral("upload")
            << QStringLiteral("Lobby chime,Lobby,Opening hours,Opening hours,,,,Goodbye,Stack 0||20000 bytes sent");
        QTest::newRow("the unit vanishes in an upload")
            << 1 << QStringLiteral("vanish in upload") << demo + QStringLiteral("File Read Error!|Error 5");
        QTest::newRow("the unit vanishes before Refresh and Part ID")
            << 1 << QStringLiteral("vanish") << demo + QStringLiteral("|Comm Port Error: /Comm Port Error: ");
    }
    void window()
    {
        QFETCH(int, port);
        QFETCH(QString, then);
        QFETCH(QString, after);
        ProgramFixture f([&f] { return std::make_unique<SerialPortComm>(f.paths().portsDir); });
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(f.paths().portsDir, port,
                                                    {QStringLiteral("--demo"), QStringLiteral("--store-dir"),
                                                     f.folder.filePath(QStringLiteral("stored"))}));
        if (port > 1) {
            // As after the answer No at start-up: the search, then its hand-over.
            PortSearch &search = f.startSearch()->search();
            search.Timer1_Timer();
            search.Timer2_Timer();
            QCOMPARE(f.settings(), "BaudRate=460800\r\nCommPort=" + QByteArray::number(port) + "\r\n");
            QVERIFY(!f.program->serialSearchWindow());
        }
        frmMain1 *window = f.open();
        QVERIFY(window && window->controller().comm().PortOpen());
        window->controller().Timer2_Timer();  // the directory read after a good probe

        press(window, QStringLiteral("optLoc1"));
        f.prompter->files << f.writeWave(then == u"upload" ? 20000 : 200000);
        auto *progress = child<QProgressBar>(window, QStringLiteral("prbLoading"));
        connect(progress, &QProgressBar::valueChanged, progress, [&](int percent) {
            if (percent > 0 && then == u"vanish in upload")
                unit.kill();
        });
        QStringList names;
        for (int i = 0; i < 8; ++i)
            names << window->messageText(i).trimmed();
        names << window->modeText() + u' ' + window->delayText();
        if (then == u"vanish")
            unit.kill();
        press(window, then == u"vanish" ? QStringLiteral("cmdDirectory") : QStringLiteral("cmdChange"));
        QString status = window->status();
        if (then == u"vanish") {  // the failure's own words follow; they are the system's
            press(window, QStringLiteral("mnuToolsMfg"));
            status = status.left(17) + u'/' + window->status().left(17);
        } else if (then == u"upload") {
            names[1] = window->messageText(1).trimmed();
            QVERIFY(QFile::exists(f.folder.filePath(QStringLiteral("stored/loc2.wav"))));
        }
        QCOMPARE(names.join(u',') + u'|' + f.prompter->texts().join(u'/') + u'|' + status, after);
        // Reported, not fatal: the window is idle again, its bar gone.
        QVERIFY(child(window, QStringLiteral("cmdChange"))->isEnabled() && progress->isHidden());
    }
};

QTEST_MAIN(tst_e2e_window)
#include "tst_e2e_window.moc"
