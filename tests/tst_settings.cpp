#include "app/NumberRules.h"
#include "app/Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The reading rules of setup.txt and its writer.
class tst_settings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reading_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QString>("baud");
        QTest::addColumn<int>("port");

        const QByteArray long255(255, '9');
        const QByteArray long256(256, '9');

        QTest::newRow("defaults") << QByteArray("BaudRate=460800\r\nCommPort=1\r\n") << true << "460800" << 1;
        QTest::newRow("line feeds only") << QByteArray("BaudRate=9600\nCommPort=7\n") << true << "9600" << 7;
        QTest::newRow("no end after port") << QByteArray("BaudRate=9600\r\nCommPort=7") << true << "9600" << 7;
        QTest::newRow("lines after the second ignored")
            << QByteArray("BaudRate=9600\r\nCommPort=3\r\ngarbage\r\n") << true << "9600" << 3;
        QTest::newRow("names before = are not looked at")
            << QByteArray("Speed=19200\r\nPort=4\r\n") << true << "19200" << 4;
        QTest::newRow("lines swapped: port 460800 does not fit")
            << QByteArray("CommPort=3\r\nBaudRate=460800\r\n") << false << "" << 0;
        QTest::newRow("COM3 gives 0") << QByteArray("BaudRate=460800\r\nCommPort=COM3\r\n") << true << "460800" << 0;
        QTest::newRow("2.5 rounds to 2") << QByteArray("BaudRate=460800\r\nCommPort=2.5\r\n") << true << "460800" << 2;
        QTest::newRow("3.5 rounds to 4") << QByteArray("BaudRate=460800\r\nCommPort=3.5\r\n") << true << "460800" << 4;
        QTest::newRow("number then text") << QByteArray("BaudRate=1\r\nCommPort=12abc\r\n") << true << "1" << 12;
        QTest::newRow("blanks before the number") << QByteArray("B=1\r\nC=  5\r\n") << true << "1" << 5;
        QTest::newRow("empty port value gives 0") << QByteArray("B=1\r\nC=\r\n") << true << "1" << 0;
        QTest::newRow("negative port") << QByteArray("B=1\r\nC=-3\r\n") << true << "1" << -3;
        QTest::newRow("largest 16-bit port") << QByteArray("B=1\r\nC=32767\r\n") << true << "1" << 32767;
        QTest::newRow("one past 16 bits") << QByteArray("B=1\r\nC=32768\r\n") << false << "" << 0;
        QTest::newRow("32767.5 rounds out of range") << QByteArray("B=1\r\nC=32767.5\r\n") << false << "" << 0;
        QTest::newRow("comma kept in the rate")
            << QByteArray("BaudRate=460800,\r\nCommPort=1\r\n") << true << "460800," << 1;
        QTest::newRow("rate not trimmed") << QByteArray("BaudRate= 9600 \r\nCommPort=1\r\n") << true << " 9600 " << 1;
        QTest::newRow("only the first = splits") << QByteArray("BaudRate=a=b\r\nCommPort=1\r\n") << true << "a=b" << 1;
        QTest::newRow("line without =: all value") << QByteArray("9600\r\n2\r\n") << true << "9600" << 2;
        QTest::newRow("one line") << QByteArray("BaudRate=460800\r\n") << false << "" << 0;
        QTest::newRow("empty file") << QByteArray() << false << "" << 0;
        QTest::newRow("value of 255 characters") << "BaudRate=" + long255 + "\r\nCommPort=1\r\n" << true
                                                 << QString::fromLatin1(long255) << 1;
        QTest::newRow("value of 256 characters") << "BaudRate=" + long256 + "\r\nCommPort=1\r\n" << false << "" << 0;
        QTest::newRow("= as 255th character") << QByteArray(254, 'x') + "=1\r\nC=1\r\n" << true << "1" << 1;
        QTest::newRow("= as 256th character") << QByteArray(255, 'x') + "=1\r\nC=1\r\n" << false << "" << 0;
        QTest::newRow("line without = of 256 characters") << long256 + "\r\nC=1\r\n" << false << "" << 0;
        QTest::newRow("8-bit characters kept") << QByteArray("B=\xe9t\xe9\r\nC=1\r\n") << true << QStringLiteral(u"\u00e9t\u00e9") << 1;
    }
    void reading()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, readable);
        QFETCH(QString, baud);
        QFETCH(int, port);
        const auto settings = parseSettings(contents);
        QCOMPARE(settings.has_value(), readable);
        if (readable) {
            QCOMPARE(settings->BaudRate, baud);
            QCOMPARE(int(settings->CommPort), port);
        }
    }

    void missingFileIsUnreadable()
    {
        QTemporaryDir dir;
        QVERIFY(!readSettings(dir.filePath(QStringLiteral("setup.txt"))));
    }

    void writtenFileIsFreshAndReadsBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("setup.txt"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old junk that made the file unreadable\r\n");
        old.close();
        QVERIFY(old.setPermissions(QFileDevice::ReadOwner));  // a read-only file goes too

        QVERIFY(writeSettings(path, Settings{QStringLiteral("460800"), 12}));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("BaudRate=460800\r\nCommPort=12\r\n"));
        const auto back = readSettings(path);
        QVERIFY(back);
        QCOMPARE(back->CommPort, qint16(12));
    }

    void writeIntoMissingFolderFails()
    {
        QTemporaryDir dir;
        QVERIFY(!writeSettings(dir.filePath(QStringLiteral("no/such/folder/setup.txt")),
                               Settings{QStringLiteral("460800"), 1}));
    }

    void removeIgnoresMissingFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("setup.txt"));
        removeSettings(path);
        QVERIFY(writeSettings(path, Settings{QStringLiteral("1"), 1}));
        removeSettings(path);
        QVERIFY(!QFile::exists(path));
    }

    void numberRules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");  // -99999: does not fit
        QTest::newRow("Auto") << "Auto" << 0;
        QTest::newRow("auto") << "auto" << 0;
        QTest::newRow("COM3") << "COM3" << 0;
        QTest::newRow("300") << "300" << 300;
        QTest::newRow("7 and text") << "7 (ttyUSB0)" << 7;
        QTest::newRow("0.5 to even 0") << "0.5" << 0;
        QTest::newRow("1.5 to even 2") << "1.5" << 2;
        QTest::newRow("-2.5 to even -2") << "-2.5" << -2;
        QTest::newRow(".5") << ".5" << 0;
        QTest::newRow("sign alone") << "-" << 0;
        QTest::newRow("40000 does not fit") << "40000" << -99999;
        QTest::newRow("-32768 fits") << "-32768" << -32768;
    }
    void numberRules()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const auto port = readPortNumber(text);
        if (expected == -99999) {
            QVERIFY(!port);
        } else {
            QVERIFY(port);
            QCOMPARE(int(*port), expected);
        }
    }
};

QTEST_GUILESS_MAIN(tst_settings)
#include "tst_settings.moc"
