#include "support/LineScript.h"
#include "support/UnitFaults.h"

#include "app/CommandContext.h"
#include "operations/Diagnostics.h"

#include <QTest>

class tst_diagnostics : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void partId_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("status");
        QTest::newRow("codes 0 1 2, fourth hidden")
            << 0 << false << QByteArray("\x00\x01\x02\x0d", 4)
            << QStringLiteral("Manufacturer code is: 0 1 2");
        QTest::newRow("location 6") << 5 << false << QByteArray("\x1f\x47\x01\x00", 4)
                                    << QStringLiteral("Manufacturer code is: 1F 47 1");
        QTest::newRow("3 characters")
            << 0 << false << QByteArray("abc") << QStringLiteral("Error!");
        QTest::newRow("nothing") << 0 << true << QByteArray() << QStringLiteral("Error!");
    }
    void partId()
    {
        QFETCH(int, selected);
        QFETCH(bool, silent);
        QFETCH(QByteArray, reply);
        QFETCH(QString, status);
        UnitFixture f;
        if (silent)
            silence(f.unit, "EM");
        else
            replaceReply(f.unit, "EM", reply);
        MainController &controller = ready(f);
        f.declarations.SelectedLocation = qint16(selected);
        controller.mnuToolsMfg_Click();
        QCOMPARE(lineScript(*f.comm),
            (QStringList { QStringLiteral("> E"), QStringLiteral("> 0%1").arg(selected),
                QStringLiteral("> M"), QStringLiteral("> \\r"),
                readOf(4, 2000, int(reply.size())) }));
        QCOMPARE(f.surface.status(), status);
        QCOMPARE(controller.strData(), reply);
        QVERIFY(f.surface.states.isEmpty());
    }


    void readFirstByte_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("waitedMs");
        QTest::newRow("one character, FF")
            << false << QByteArray("\xff") << QStringLiteral("The first byte of memory is: FF")
            << 2000;
        QTest::newRow("two characters") << false << QByteArray("\x09K")
                                        << QStringLiteral("The first byte of memory is: 9") << 0;
        QTest::newRow("nothing") << true << QByteArray() << QStringLiteral("Error!") << 2000;
    }
    void readFirstByte()
    {
        QFETCH(bool, silent);
        QFETCH(QByteArray, reply);
        QFETCH(QString, status);
        QFETCH(int, waitedMs);
        UnitFixture f;
        if (silent)
            silence(f.unit, "ER");
        else
            replaceReply(f.unit, "ER", reply);
        MainController &controller = ready(f);
        const qint64 start = f.clock.now();
        controller.mnuToolsRead_Click();
        QCOMPARE(lineScript(*f.comm).mid(0, 4), writes({ "E", "00", "R", "\\r" }));
        QCOMPARE(lineScript(*f.comm).last(), readOf(2, 2000, int(reply.size())));
        QCOMPARE(f.surface.status(), status);
        QCOMPARE(f.clock.now() - start, waitedMs);
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

    void clearCom_data()
    {
        QTest::addColumn<int>("waiting");
        QTest::addColumn<QList<int>>("reads");
        QTest::newRow("nothing waiting") << 0 << QList<int> { 0 };
        QTest::newRow("25 waiting") << 25 << QList<int> { 10, 10, 5 };
    }
    void clearCom()
    {
        QFETCH(int, waiting);
        QFETCH(QList<int>, reads);
        UnitFixture f;
        replaceReply(f.unit, "EM", QByteArray(waiting, 'x'));
        MainController &controller = ready(f);
        f.comm->OutputText("E00M\r");
        f.comm->clearLine();
        controller.mnuToolsClear_Click();
        QStringList expected;
        for (int got : reads)
            expected << readOf(10, 200, got);
        QCOMPARE(lineScript(*f.comm), expected);
        QCOMPARE(f.surface.statuses,
            (QStringList { QStringLiteral("Clearing USART - - -"), QStringLiteral("Ready") }));
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
