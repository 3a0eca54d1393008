#include "support/ProgramFixture.h"
#include "support/UnitFaults.h"

#include "WaveFile.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// The window tests here look only at what the commands write from now on.
struct WindowFixture : ProgramFixture {
    frmMain1 *open()
    {
        window = ProgramFixture::open();
        comm->clearLine();
        return window;
    }
    template <typename T = QWidget>
    T *control(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QString status() const { return control<QLabel>("lblStatus")->text(); }

    frmMain1 *window = nullptr;
};

const QStringList UnitEntries = QStringLiteral("mnuFileOpen mnuToolsSetup mnuToolsMfg mnuToolsErase mnuToolsRead "
                                               "mnuToolsClear").split(u' ');
const QStringList OtherEntries =
    QStringLiteral("mnuFileExit mnuToolsAutoreduce mnuHelpAbout mnuHelpHelp").split(u' ');

}  // namespace

// The device operations through the main window's own widgets.
class tst_ui_operations : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startUpDirectoryFillsTheWindow()
    {
        WindowFixture f;
        f.unit.store(0, storedMessage("Lobby", 8000));
        f.unit.store(5, storedMessage("Hall", 1048576));
        f.unit.setRegister(1, 255);
        f.unit.setRegister(9, 4);
        f.open()->controller().Timer2_Timer();

        QCOMPARE(f.control<QLineEdit>("txtMsg0")->text(), QStringLiteral("Lobby           "));
        QCOMPARE(f.control<QLineEdit>("txtMsg6")->text(), QStringLiteral("Hall            "));
        QCOMPARE(f.window->barWidth(0), 40);
        QCOMPARE(f.window->barWidth(5), 800);
        QCOMPARE(f.window->barWidth(6), 40);
        QCOMPARE(f.window->barColor(6), f.window->barColor(5));
        QCOMPARE(f.status(), QStringLiteral("Done!"));
        QCOMPARE(f.control<QComboBox>("cmbMode")->currentText(), QStringLiteral("Interrupt"));
        QCOMPARE(f.control<QComboBox>("cmbDelay0")->currentText(), QStringLiteral("4"));
        // Putting the read values into the boxes is no pick: nothing is written back.
        QVERIFY(!f.comm->written().contains('W'));
        QVERIFY(f.control("cmdDirectory")->isEnabled());
    }

    void unitEntriesAreGreyedDuringTheDirectory()
    {
        WindowFixture f;
        f.unit.store(0, storedMessage("Lobby", 8000));
        f.open();
        QStringList enabledDuring;
        bool ran = false;
        // Runs while the directory read lets the window's events run.
        QTimer::singleShot(0, f.window, [&] {
            ran = true;
            for (const QString &entry : UnitEntries + OtherEntries) {
                auto *action = f.window->findChild<QAction *>(entry);
                if (action->isEnabled())
                    enabledDuring << entry;
                if (UnitEntries.contains(entry))
                    action->trigger();
            }
        });
        f.window->controller().cmdDirectory_Click();
        QVERIFY(ran);
        // Exit, Auto Reduce and Help do not talk to the unit and stay usable.
        QCOMPARE(enabledDuring, OtherEntries);
        QVERIFY(f.prompter->shown.isEmpty());
        QVERIFY(!f.comm->written().contains('E'));
        QVERIFY(!f.comm->written().contains('C'));
        for (const QString &entry : UnitEntries)
            QVERIFY(f.window->findChild<QAction *>(entry)->isEnabled());
    }

    void pickingAModeWritesIt()
    {
        WindowFixture f;
        f.open();
        auto *mode = f.control<QComboBox>("cmbMode");
        mode->setCurrentIndex(1);
        Q_EMIT mode->activated(1);
        QCOMPARE(f.comm->written(), QByteArray("W\x01\xff\r"));
        QCOMPARE(int(f.unit.registerValue(1)), 255);
    }

    void playThenStopThroughTheButtons()
    {
        WindowFixture f;
        f.unit.store(2, storedMessage("Chime", 80000));
        f.open();
        auto *play = f.control<QPushButton>("cmdPlay");
        auto *stop = f.control<QPushButton>("cmdAbort");
        auto *eraseAll = f.control<QAction>("mnuToolsErase");
        f.control<QAbstractButton>("optLoc2")->click();
        play->click();
        QCOMPARE(f.comm->written(), QByteArray("P02\r"));
        QVERIFY(stop->isEnabled() && !play->isEnabled() && !eraseAll->isEnabled());
        f.window->controller().Timer4_Timer();
        QCOMPARE(f.status(), QStringLiteral("Playing Message: 3"));
        stop->click();
        QVERIFY(f.comm->written().endsWith("SA"));
        QCOMPARE(f.status(), QStringLiteral("Playback Stopped"));
        QVERIFY(play->isEnabled() && !stop->isEnabled() && eraseAll->isEnabled());
    }

    // File, Exit stays usable while a command lets events run; the program must end without
    // the command going on against a window or a port that are gone.
    void exitInTheMiddleOfACommand_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::newRow("directory read") << false;
        QTest::newRow("upload") << true;
    }
    void exitInTheMiddleOfACommand()
    {
        QFETCH(bool, upload);
        WindowFixture f;
        for (int location = 0; location < 8; ++location)
            f.unit.store(location, storedMessage(QByteArray("Message" + QByteArray::number(location)).constData(), 8000));
        WaveFile wave;
        wave.data = QByteArray(200000, '\x10');
        const QString path = f.folder.filePath(QStringLiteral("Long.wav"));
        QVERIFY(wave.write(path));
        f.prompter->files << path;
        const QPointer<frmMain1> guard = f.open();
        QTimer::singleShot(0, [&] {
            // Chosen while the command lets events run.
            QTimer::singleShot(0, f.window, [&] { f.control<QAction>("mnuFileExit")->trigger(); });
            if (upload)
                f.window->controller().cmdChange_Click();
            else
                f.window->controller().cmdDirectory_Click();
        });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!guard);
        QVERIFY2(f.prompter->shown.isEmpty(), qPrintable(f.prompter->texts().join(u'|')));
    }
};

QTEST_MAIN(tst_ui_operations)
#include "tst_ui_operations.moc"
