#include "support/ProgramFixture.h"
#include "support/UnitFaults.h"

#include "WaveFile.h"
#include "app/MainController.h"
#include "ui/Program.h"
#include "ui/frmMain1.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QPointer>
#include <QTimer>

namespace {

// The window tests here look only at what the commands write from now on.
struct WindowFixture : ProgramFixture {
    frmMain1 *open()
    {
        frmMain1 *window = ProgramFixture::open();
        comm->clearLine();
        return window;
    }
};

template <typename T> T *control(QWidget *window, const QString &name)
{
    return window->findChild<T *>(name);
}

} // namespace

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
        frmMain1 *window = f.open();
        window->controller().Timer2_Timer();

        QCOMPARE(control<QLineEdit>(window, QStringLiteral("txtMsg0"))->text(),
            QStringLiteral("Lobby           "));
        QCOMPARE(control<QLineEdit>(window, QStringLiteral("txtMsg6"))->text(),
            QStringLiteral("Hall            "));
        QCOMPARE(window->barWidth(0), 40);
        QCOMPARE(window->barWidth(5), 800);
        QCOMPARE(window->barWidth(6), 40);
        QCOMPARE(window->barColor(6), window->barColor(5));
        QCOMPARE(
            control<QLabel>(window, QStringLiteral("lblStatus"))->text(), QStringLiteral("Done!"));
        QCOMPARE(control<QComboBox>(window, QStringLiteral("cmbMode"))->currentText(),
            QStringLiteral("Interrupt"));
        QCOMPARE(control<QComboBox>(window, QStringLiteral("cmbDelay0"))->currentText(),
            QStringLiteral("4"));
        // Putting the read values into the boxes is no pick: nothing is written back.
        QVERIFY(!f.comm->written().contains('W'));
        QVERIFY(control<QPushButton>(window, QStringLiteral("cmdDirectory"))->isEnabled());
    }

    void unitEntriesAreGreyedDuringTheDirectory()
    {
        WindowFixture f;
        f.unit.store(0, storedMessage("Lobby", 8000));
        frmMain1 *window = f.open();
        const QStringList entries { QStringLiteral("mnuFileOpen"), QStringLiteral("mnuToolsSetup"),
            QStringLiteral("mnuToolsMfg"), QStringLiteral("mnuToolsErase"),
            QStringLiteral("mnuToolsRead"), QStringLiteral("mnuToolsClear") };
        QStringList enabledDuring;
        bool ran = false;
        // Runs while the directory read lets the window's events run.
        QTimer::singleShot(0, window, [&] {
            ran = true;
            for (const QString &entry : entries) {
                auto *action = control<QAction>(window, entry);
                if (action->isEnabled())
                    enabledDuring << entry;
                action->trigger();
            }
        });
        window->controller().cmdDirectory_Click();
        QVERIFY(ran);
        QVERIFY2(enabledDuring.isEmpty(), qPrintable(enabledDuring.join(u' ')));
        QVERIFY(f.prompter->shown.isEmpty());
        QVERIFY(!f.comm->written().contains('E'));
        QVERIFY(!f.comm->written().contains('C'));
        for (const QString &entry : entries)
            QVERIFY(control<QAction>(window, entry)->isEnabled());
    }

    void pickingAModeWritesIt()
    {
        WindowFixture f;
        frmMain1 *window = f.open();
        auto *mode = control<QComboBox>(window, QStringLiteral("cmbMode"));
        mode->setCurrentIndex(1);
        Q_EMIT mode->activated(1);
        QCOMPARE(f.comm->written(), QByteArray("W\x01\xff\r"));
        QCOMPARE(int(f.unit.registerValue(1)), 255);
    }

    void playThenStopThroughTheButtons()
    {
        WindowFixture f;
        f.unit.store(2, storedMessage("Chime", 80000));
        frmMain1 *window = f.open();
        auto *play = control<QPushButton>(window, QStringLiteral("cmdPlay"));
        auto *stop = control<QPushButton>(window, QStringLiteral("cmdAbort"));
        control<QAbstractButton>(window, QStringLiteral("optLoc2"))->click();
        play->click();
        QCOMPARE(f.comm->written(), QByteArray("P02\r"));
        QVERIFY(stop->isEnabled());
        QVERIFY(!play->isEnabled());
        QVERIFY(!control<QAction>(window, QStringLiteral("mnuToolsErase"))->isEnabled());
        window->controller().Timer4_Timer();
        QCOMPARE(control<QLabel>(window, QStringLiteral("lblStatus"))->text(),
            QStringLiteral("Playing Message: 3"));
        stop->click();
        QVERIFY(f.comm->written().endsWith("SA"));
        QCOMPARE(control<QLabel>(window, QStringLiteral("lblStatus"))->text(),
            QStringLiteral("Playback Stopped"));
        QVERIFY(play->isEnabled());
        QVERIFY(!stop->isEnabled());
        QVERIFY(control<QAction>(window, QStringLiteral("mnuToolsErase"))->isEnabled());
    }

    // File, Exit stays usable while a command lets events run; the program must end without
    // the command going on against a window or a port that are gone.
    void exitInTheMiddleOfACommand_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("directory read") << QStringLiteral("directory");
        QTest::newRow("upload") << QStringLiteral("upload");
    }
    void exitInTheMiddleOfACommand()
    {
        QFETCH(QString, command);
        WindowFixture f;
        for (int location = 0; location < 8; ++location)
            f.unit.store(location, storedMessage(QByteArray("Message" + QByteArray::number(location)).constData(), 8000));
        WaveFile wave;
        wave.data = QByteArray(200000, '\x10');
        const QString path = f.folder.filePath(QStringLiteral("Long.wav"));
        QVERIFY(wave.write(path));
        f.prompter->files << path;
        frmMain1 *window = f.open();
        const QPointer<frmMain1> guard = window;
        QTimer::singleShot(0, [&] {
            // Chosen while the command lets events run.
            QTimer::singleShot(0, window, [&] {
                control<QAction>(window, QStringLiteral("mnuFileExit"))->trigger();
            });
            if (command == u"directory")
                window->controller().cmdDirectory_Click();
            else
                window->controller().cmdChange_Click();
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
