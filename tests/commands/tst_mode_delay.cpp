#include "support/UnitFaults.h"

#include "commands/ModeDelay.h"

#include <QTest>

class tst_mode_delay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void delayValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value"); // -1: does not fit a byte
        QTest::newRow("empty is 0") << QString() << 0;
        QTest::newRow("3") << QStringLiteral("3") << 3;
        QTest::newRow("leading blanks") << QStringLiteral("  7") << 7;
        QTest::newRow("trailing text") << QStringLiteral("4 s") << 4;
        QTest::newRow("no number") << QStringLiteral("abc") << 0;
        QTest::newRow("2.5 to even 2") << QStringLiteral("2.5") << 2;
        QTest::newRow("3.5 to even 4") << QStringLiteral("3.5") << 4;
        QTest::newRow("255") << QStringLiteral("255") << 255;
        QTest::newRow("256") << QStringLiteral("256") << -1;
        QTest::newRow("-1") << QStringLiteral("-1") << -1;
        QTest::newRow("-0.4 rounds to 0") << QStringLiteral("-0.4") << 0;
    }
    void delayValue()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        const auto got = ModeDelay::delayValue(text);
        QCOMPARE(got ? int(*got) : -1, value);
    }

    void readMode_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("status");
        QTest::newRow("0 is Stack") << QByteArray("\0Z", 2) << QStringLiteral("Stack") << QString();
        QTest::newRow("255 is Interrupt")
            << QByteArray("\xffK") << QStringLiteral("Interrupt") << QString();
        QTest::newRow("1 character") << QByteArray("\0", 1) << QStringLiteral("was")
                                     << QStringLiteral("Error on Mode Read!");
    }
    void readMode()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, mode);
        QFETCH(QString, status);
        UnitFixture f;
        replaceReply(f.unit, "R", reply);
        MainController &controller = ready(f);
        f.surface.mode = QStringLiteral("was");
        QCOMPARE(ModeDelay::ReadMode(controller.context()), status.isEmpty());
        QCOMPARE(f.surface.mode, mode);
        QCOMPARE(f.surface.status(), status);
        QCOMPARE(controller.strData(), reply);
    }

    void readDelay_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("delay");
        QTest::addColumn<QString>("status");
        QTest::newRow("3") << QByteArray("\x03K") << QStringLiteral("3") << QString();
        QTest::newRow("12, not a list item")
            << QByteArray("\x0cK") << QStringLiteral("12") << QString();
        QTest::newRow("1 character") << QByteArray("\x03") << QStringLiteral("was")
                                     << QStringLiteral("Error on Delay Read ");
    }
    void readDelay()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, delay);
        QFETCH(QString, status);
        UnitFixture f;
        replaceReply(f.unit, "R", reply);
        MainController &controller = ready(f);
        f.surface.delay = QStringLiteral("was");
        ModeDelay::ReadDelay(controller.context());
        QCOMPARE(f.surface.delay, delay);
        QCOMPARE(f.surface.status(), status);
    }

    void pickMode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("Stack") << QStringLiteral("Stack") << 0;
        QTest::newRow("Interrupt") << QStringLiteral("Interrupt") << 255;
        QTest::newRow("stack in other case") << QStringLiteral("stack") << 255;
    }
    void pickMode()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        UnitFixture f;
        f.unit.setRegister(1, 77);
        MainController &controller = ready(f);
        f.surface.statusText = QStringLiteral("before");
        f.surface.mode = text;
        controller.cmbMode_Click();
        QCOMPARE(int(f.unit.registerValue(1)), value);
        QCOMPARE(f.surface.status(), QStringLiteral("before"));
        // The boxes leave the window's busy and idle states alone.
        QVERIFY(f.surface.states.isEmpty());
    }

    void modeWriteRefused_data()
    {
        QTest::addColumn<QByteArray>("reply"); // empty: none
        QTest::newRow("no reply") << QByteArray();
        QTest::newRow("reply without K") << QByteArray("N\r");
    }
    void modeWriteRefused()
    {
        QFETCH(QByteArray, reply);
        UnitFixture f;
        answerWith(f.unit, "W", reply);
        MainController &controller = ready(f);
        f.surface.mode = QStringLiteral("Interrupt");
        controller.cmbMode_Click();
        QCOMPARE(f.surface.status(), QStringLiteral("Error on Mode Write!"));
        QCOMPARE(f.surface.mode, QStringLiteral("Interrupt"));
    }

    // The delay goes to all eight registers; writes the unit did not answer used to end in
    // "Delay Updated!" all the same, and are now named.
    void pickDelay_data()
    {
        QTest::addColumn<QList<int>>("refusedWrites"); // 1-based among the eight
        QTest::addColumn<QString>("status");
        QTest::newRow("all answered") << QList<int> {} << QStringLiteral("Delay Updated!");
        QTest::newRow("fifth unanswered")
            << QList<int> { 5 } << QStringLiteral("Error on Delay Write! Register 13");
        QTest::newRow("second and eighth")
            << QList<int> { 2, 8 } << QStringLiteral("Error on Delay Write! Registers 10, 16");
    }
    void pickDelay()
    {
        QFETCH(QList<int>, refusedWrites);
        QFETCH(QString, status);
        UnitFixture f;
        for (int write : refusedWrites)
            silence(f.unit, "W", write);
        MainController &controller = ready(f);
        f.surface.delay = QStringLiteral("3");
        controller.cmbDelay_Click(0);
        QCOMPARE(f.surface.status(), status);
        // The series goes on after a refusal: all eight are sent, and reached the unit.
        for (quint8 reg = 9; reg <= 16; ++reg)
            QCOMPARE(int(f.unit.registerValue(reg)), 3);
        QCOMPARE(
            f.surface.statuses.count(QStringLiteral("Error on Mode Write!")), refusedWrites.size());
        QCOMPARE(
            f.surface.statuses.contains(QStringLiteral("Delay Updated!")), refusedWrites.isEmpty());
        QVERIFY(f.surface.states.isEmpty());
    }

    void delayTooLargeForAByteSendsNothing()
    {
        UnitFixture f;
        MainController &controller = ready(f);
        f.surface.delay = QStringLiteral("300");
        controller.cmbDelay_Click(0);
        QVERIFY(f.comm->line().isEmpty());
        QCOMPARE(f.surface.status(), QStringLiteral("Invalid Delay: 300"));
    }

    void portGoneStopsTheSeries()
    {
        UnitFixture f;
        MainController &controller = ready(f);
        f.comm->vanish();
        f.surface.delay = QStringLiteral("2");
        controller.cmbDelay_Click(0);
        QCOMPARE(f.surface.status(), QStringLiteral("Comm Port Error: The serial device is gone."));
        QCOMPARE(f.surface.statuses.size(), 1);
        controller.cmbMode_Click();
        QCOMPARE(f.surface.statuses.size(), 2);
        QCOMPARE(f.surface.status(), QStringLiteral("Comm Port Error: The serial device is gone."));
    }
};

QTEST_GUILESS_MAIN(tst_mode_delay)
#include "tst_mode_delay.moc"
