#include "support/UnitFaults.h"

#include "commands/CommandContext.h"
#include "commands/Diagnostics.h"

#include <QTest>

class tst_diagnostics : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void partId_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QByteArray>("reply"); // empty: none
        QTest::addColumn<QString>("status");
        QTest::newRow("codes 0 1 2, fourth hidden")
            << 0 << QByteArray("\x00\x01\x02\x0d", 4)
            << QStringLiteral("Manufacturer code is: 0 1 2");
        QTest::newRow("location 6") << 5 << QByteArray("\x1f\x47\x01\x00", 4)
                                    << QStringLiteral("Manufacturer code is: 1F 47 1");
        QTest::newRow("nothing") << 0 << QByteArray() << QStringLiteral("Error!");
    }
    void partId()
    {
        QFETCH(int, selected);
        QFETCH(QByteArray, reply);
        QFETCH(QString, status);
        UnitFixture f;
        answerWith(f.unit, "EM", reply);
        MainController &controller = ready(f);
        f.declarations.SelectedLocation = qint16(selected);
        controller.mnuToolsMfg_Click();
        QCOMPARE(f.comm->written(), "E0" + QByteArray::number(selected) + "M\r");
        QCOMPARE(f.surface.status(), status);
        QCOMPARE(controller.strData(), reply);
        QVERIFY(f.surface.states.isEmpty());
    }

    void readFirstByte_data()
    {
        QTest::addColumn<QByteArray>("reply"); // empty: none
        QTest::addColumn<QString>("status");
        QTest::newRow("one character, FF")
            << QByteArray("\xff") << QStringLiteral("The first byte of memory is: FF");
        QTest::newRow("two characters")
            << QByteArray("\x09K") << QStringLiteral("The first byte of memory is: 9");
        QTest::newRow("nothing") << QByteArray() << QStringLiteral("Error!");
    }
    void readFirstByte()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, status);
        UnitFixture f;
        answerWith(f.unit, "ER", reply);
        MainController &controller = ready(f);
        controller.mnuToolsRead_Click();
        QCOMPARE(f.surface.status(), status);
    }

    void simulatedFirstBytes()
    {
        UnitFixture f;
        f.unit.store(1, storedMessage("Lobby", 100));
        MainController &controller = ready(f);
        controller.mnuToolsRead_Click();
        QCOMPARE(f.surface.status(), QStringLiteral("The first byte of memory is: FF"));
        f.declarations.SelectedLocation = 1;
        controller.mnuToolsRead_Click();
        QCOMPARE(f.surface.status(), QStringLiteral("The first byte of memory is: 4C"));
    }

    // The drain itself is tested with the exchange and the session; here, what the entry shows.
    void clearCom_data()
    {
        QTest::addColumn<int>("unaskedPerSecond");
        QTest::addColumn<QString>("status");
        QTest::newRow("leftovers") << 0 << QStringLiteral("Ready");
        QTest::newRow("a line that keeps talking")
            << 50 << QStringLiteral("Comm Port Error: Data keeps arriving.");
    }
    void clearCom()
    {
        QFETCH(int, unaskedPerSecond);
        QFETCH(QString, status);
        UnitFixture f;
        replaceReply(f.unit, "EM", QByteArray(25, 'x'));
        MainController &controller = ready(f);
        f.comm->OutputText("E00M\r");
        f.unit.sendUnasked(unaskedPerSecond, 0, 3600 * 1000);
        controller.mnuToolsClear_Click();
        QCOMPARE(
            f.surface.statuses, (QStringList { QStringLiteral("Clearing USART - - -"), status }));
    }

    void portFaults_data()
    {
        QTest::addColumn<int>("entry");
        QTest::newRow("Part ID") << 0;
        QTest::newRow("Read") << 1;
        QTest::newRow("Clear Com") << 2;
    }
    void portFaults()
    {
        QFETCH(int, entry);
        UnitFixture f;
        MainController &controller = f.createController();
        void (MainController::*handlers[])() = { &MainController::mnuToolsMfg_Click,
            &MainController::mnuToolsRead_Click, &MainController::mnuToolsClear_Click };
        (controller.*handlers[entry])();
        QCOMPARE(f.surface.status(), QStringLiteral("Comm Port Error: The port is not open."));
        QVERIFY(f.surface.unitCommandsEnabled);
    }
};

QTEST_GUILESS_MAIN(tst_diagnostics)
#include "tst_diagnostics.moc"
