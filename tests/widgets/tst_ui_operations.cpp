#include "support/ProgramFixture.h"
#include "support/UnitFaults.h"

#include "WaveFile.h"

#include <QAbstractButton>
#include <QAbstractItemView>
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

    // Only a pick from a box's list writes the registers. Enter in a box whose text is one of
    // its items, or the focus leaving it, used to write them as if that item had been picked.
    void onlyAPickFromTheListWrites_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("writes"); // "W" commands on the line
        QTest::newRow("Enter in the mode box")
            << QStringLiteral("cmbMode") << QStringLiteral("Enter") << 0;
        QTest::newRow("keypad Enter in the delay box")
            << QStringLiteral("cmbDelay0") << QStringLiteral("keypad Enter") << 0;
        QTest::newRow("Enter in the mode box's text")
            << QStringLiteral("cmbMode") << QStringLiteral("Enter in text") << 0;
        QTest::newRow("focus leaves the delay box")
            << QStringLiteral("cmbDelay0") << QStringLiteral("focus leaves") << 0;
        QTest::newRow("mode picked from the list")
            << QStringLiteral("cmbMode") << QStringLiteral("pick") << 1;
        QTest::newRow("delay picked from the list")
            << QStringLiteral("cmbDelay0") << QStringLiteral("pick") << 8;
    }
    void onlyAPickFromTheListWrites()
    {
        QFETCH(QString, box);
        QFETCH(QString, action);
        QFETCH(int, writes);
        WindowFixture f;
        f.open();
        auto *combo = f.window->findChild<QComboBox *>(box);
        // What a directory read shows: one of the items, put there by the program.
        f.window->setModeText(QStringLiteral("Interrupt"));
        f.window->setDelayText(QStringLiteral("3"));
        f.window->setStatus(QStringLiteral("before"));
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        combo->setFocus();
        QVERIFY(combo->hasFocus());
        if (action == QStringLiteral("Enter")) {
            QTest::keyClick(combo, Qt::Key_Return);
        } else if (action == QStringLiteral("keypad Enter")) {
            QTest::keyClick(combo, Qt::Key_Enter, Qt::KeypadModifier);
        } else if (action == QStringLiteral("Enter in text")) {
            QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        } else if (action == QStringLiteral("focus leaves")) {
            f.control("cmdDirectory")->setFocus();
            QVERIFY(!combo->hasFocus());
        } else {
            combo->showPopup();
            QTest::keyClick(combo->view(), Qt::Key_Down);
            QTest::keyClick(combo->view(), Qt::Key_Return);
        }
        QCoreApplication::processEvents();
        QCOMPARE(int(f.comm->written().count('W')), writes);
        QCOMPARE(
            f.status(), writes == 8 ? QStringLiteral("Delay Updated!") : QStringLiteral("before"));
        if (writes == 1)
            QCOMPARE(int(f.unit.registerValue(1)),
                f.window->modeText() == QStringLiteral("Stack") ? 0 : 255);
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
