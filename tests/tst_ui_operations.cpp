#include "support/ProgramFixture.h"
#include "support/UnitFaults.h"

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
};

QTEST_MAIN(tst_ui_operations)
#include "tst_ui_operations.moc"
