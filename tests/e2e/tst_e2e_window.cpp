#include "support/ProgramFixture.h"
#include "support/PtyUnit.h"

#include "link/SerialPortComm.h"

#include <QProgressBar>

using namespace Qt::StringLiterals;

// The program with its windows offscreen on tavix-unit-sim over a pseudo-terminal, through the
// QSerialPort backend; ports without a link lead to this machine's own serial ports.
class tst_e2e_window : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void window_data()
    {
        QTest::addColumn<QString>("row");  // unit's port|then|names, mode and delay shown|boxes|status
        const QString demo = u"Lobby chime,,Opening hours,Opening hours,,,,Goodbye,Stack 0"_s;
        for (const QString &row :
            { u"255|upload|Lobby chime,Lobby,Opening hours,Opening hours,,,,Goodbye,Stack 0||"
              "20000 bytes sent"_s,
                u"1|vanish in upload|%1|File Read Error!|Error 5"_s.arg(demo),
                u"1|vanish|%1||Comm Port Error: /Comm Port Error: "_s.arg(demo) })
            QTest::newRow(qPrintable(row)) << row;
    }
    void window()
    {
        QFETCH(QString, row);
        const int port = row.section(u'|', 0, 0).toInt();
        const QString then = row.section(u'|', 1, 1);
        ProgramFixture f([&f] { return std::make_unique<SerialPortComm>(f.program->paths().portsDir); });
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(f.program->paths().portsDir, port,
                                                    {u"--demo"_s, u"--store-dir"_s, f.folder.filePath(u"stored"_s)}));
        if (port > 1) {  // as after the answer No at start-up: the search, then its hand-over
            PortSearch &search = f.startSearch()->search();
            search.Timer1_Timer();
            search.Timer2_Timer();
            QCOMPARE(f.settings(), "BaudRate=460800\r\nCommPort=" + QByteArray::number(port) + "\r\n");
            QVERIFY(!f.program->serialSearchWindow());
        }
        frmMain1 *window = f.open();
        QVERIFY(window && window->controller().comm().PortOpen());
        window->controller().Timer2_Timer();  // the directory read after a good probe
        press(window, u"optLoc1"_s);
        f.prompter->files << f.writeWave(then == u"upload" ? 20000 : 200000);
        auto *progress = child<QProgressBar>(window, u"prbLoading"_s);
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
        press(window, then == u"vanish" ? u"cmdDirectory"_s : u"cmdChange"_s);
        QString status = window->status();
        if (then == u"vanish") {  // the failure's own words follow; they are the system's
            press(window, u"mnuToolsMfg"_s);
            status = status.left(17) + u'/' + window->status().left(17);
        } else if (then == u"upload") {
            names[1] = window->messageText(1).trimmed();
            QVERIFY(QFile::exists(f.folder.filePath(u"stored/loc2.wav"_s)));
        }
        QCOMPARE(row.section(u'|', 0, 1) + u'|' + names.join(u',') + u'|'
                + f.prompter->texts().join(u'/') + u'|' + status,
            row);
        // Reported, not fatal: the window is idle again, its bar gone.
        QVERIFY(child(window, u"cmdChange"_s)->isEnabled() && progress->isHidden());
    }
};

QTEST_MAIN(tst_e2e_window)
#include "tst_e2e_window.moc"
