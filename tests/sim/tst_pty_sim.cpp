#include "support/PtyUnit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

// The program tavix-unit-sim itself: its ready line, its link and its switches.
class tst_pty_sim : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void linkLivesAsLongAsTheUnit_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("staleLinkFirst");
        QTest::newRow("terminated") << int(SIGTERM) << false;
        QTest::newRow("interrupted") << int(SIGINT) << false;
        QTest::newRow("hung up") << int(SIGHUP) << false;
        QTest::newRow("replaces a link left by a killed unit") << int(SIGTERM) << true;
    }
    void linkLivesAsLongAsTheUnit()
    {
        QFETCH(int, signalNumber);
        QFETCH(bool, staleLinkFirst);
        QTemporaryDir folder;
        // The folder for the link need not exist yet.
        const QString link = folder.filePath(QStringLiteral("ports/com1"));
        if (staleLinkFirst) {
            QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("ports"))));
            QVERIFY(QFile::link(QStringLiteral("/dev/pts/no-such-terminal"), link));
        }
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(folder.filePath(QStringLiteral("ports"))));
        QCOMPARE(QFileInfo(link).symLinkTarget(), unit.devicePath());

        QCOMPARE(unit.signalAndWait(signalNumber), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
        QVERIFY(!QFileInfo::exists(link));
    }

    void refusesToOverwriteAFile()
    {
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("com1")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
        file.close();

        PtyUnit unit;
        QCOMPARE(unit.start(PtyUnit::linkArguments(folder.path())), PtyUnit::Outcome::Failed);
        QVERIFY2(unit.problem().contains(QStringLiteral("not a link")), qPrintable(unit.problem()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me"));
    }

    void badSwitches_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("complaint");
        const auto row = [](const char *name, QStringList arguments, const char *complaint) {
            QTest::newRow(name) << arguments << QString::fromLatin1(complaint);
        };
        const QString baud = QStringLiteral("--baud");
        row("baud 0", {baud, QStringLiteral("0")}, "--baud needs a positive whole number");
        row("baud in words", {baud, QStringLiteral("fast")}, "--baud needs a positive whole number");
        row("baud without a value", {baud}, "Missing value after '--baud'");
        row("negative adapter latency", {QStringLiteral("--adapter-latency-ms"), QStringLiteral("-1")},
            "--adapter-latency-ms needs a whole number of milliseconds");
        row("unknown switch", {QStringLiteral("--frobnicate")}, "Unknown option 'frobnicate'");
        row("stray argument", {QStringLiteral("extra")}, "unexpected argument \"extra\"");
    }
    void badSwitches()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, complaint);
        PtyUnit unit;
        QCOMPARE(unit.start(arguments), PtyUnit::Outcome::Failed);
        QVERIFY2(unit.problem().contains(complaint), qPrintable(unit.problem()));
    }
};

QTEST_GUILESS_MAIN(tst_pty_sim)
#include "tst_pty_sim.moc"
