#include "settings/NumberRules.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>

namespace {

void readableRow(const char *name, const QByteArray &contents, const QString &baud, int port)
{
    QTest::newRow(name) << contents << true << baud << port;
}

void unreadableRow(const char *name, const QByteArray &contents)
{
    QTest::newRow(name) << contents << false << QString() << 0;
}

} // namespace

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
        const QString rate = QStringLiteral("460800");
        const QString one = QStringLiteral("1");

        readableRow("defaults", "BaudRate=460800\r\nCommPort=1\r\n", rate, 1);
        readableRow("line feeds only", "BaudRate=9600\nCommPort=7\n", QStringLiteral("9600"), 7);
        readableRow("no end after port", "BaudRate=9600\r\nCommPort=7", QStringLiteral("9600"), 7);
        readableRow("lines after the second ignored", "BaudRate=9600\r\nCommPort=3\r\ngarbage\r\n",
            QStringLiteral("9600"), 3);
        readableRow("names before = are not looked at", "Speed=19200\r\nPort=4\r\n",
            QStringLiteral("19200"), 4);
        unreadableRow("lines swapped: port 460800 does not fit", "CommPort=3\r\nBaudRate=460800\r\n");
        readableRow("COM3 gives 0", "BaudRate=460800\r\nCommPort=COM3\r\n", rate, 0);
        readableRow("2.5 rounds to 2", "BaudRate=460800\r\nCommPort=2.5\r\n", rate, 2);
        readableRow("3.5 rounds to 4", "BaudRate=460800\r\nCommPort=3.5\r\n", rate, 4);
        readableRow("number then text", "B=1\r\nCommPort=12abc\r\n", one, 12);
        readableRow("blanks before the number", "B=1\r\nC=  5\r\n", one, 5);
        readableRow("empty port value gives 0", "B=1\r\nC=\r\n", one, 0);
        readableRow("negative port", "B=1\r\nC=-3\r\n", one, -3);
        readableRow("largest 16-bit port", "B=1\r\nC=32767\r\n", one, 32767);
        unreadableRow("one past 16 bits", "B=1\r\nC=32768\r\n");
        unreadableRow("32767.5 rounds out of range", "B=1\r\nC=32767.5\r\n");
        readableRow("comma kept in the rate", "BaudRate=460800,\r\nCommPort=1\r\n",
            QStringLiteral("460800,"), 1);
        readableRow("rate not trimmed", "BaudRate= 9600 \r\nCommPort=1\r\n", QStringLiteral(" 9600 "), 1);
        readableRow("only the first = splits", "BaudRate=a=b\r\nCommPort=1\r\n", QStringLiteral("a=b"), 1);
        readableRow("line without =: all value", "9600\r\n2\r\n", QStringLiteral("9600"), 2);
        unreadableRow("one line", "BaudRate=460800\r\n");
        unreadableRow("empty file", QByteArray());
        readableRow("value of 255 characters", "BaudRate=" + long255 + "\r\nCommPort=1\r\n",
            QString::fromLatin1(long255), 1);
        unreadableRow("value of 256 characters", "BaudRate=" + long256 + "\r\nCommPort=1\r\n");
        readableRow("= as 255th character", QByteArray(254, 'x') + "=1\r\nC=1\r\n", one, 1);
        unreadableRow("= as 256th character", QByteArray(255, 'x') + "=1\r\nC=1\r\n");
        unreadableRow("line without = of 256 characters", long256 + "\r\nC=1\r\n");
        readableRow("8-bit characters kept", "B=\xe9t\xe9\r\nC=1\r\n", QStringLiteral(u"\u00e9t\u00e9"), 1);
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

    // The writer replaces whatever was there, even a read-only file, and fails cleanly where it
    // cannot write.
    void writer()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("setup.txt"));
        QVERIFY(!readSettings(path));
        removeSettings(path);
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old junk that made the file unreadable\r\n");
        old.close();
        QVERIFY(old.setPermissions(QFileDevice::ReadOwner));

        QVERIFY(writeSettings(path, Settings { QStringLiteral("460800"), 12 }));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("BaudRate=460800\r\nCommPort=12\r\n"));
        QCOMPARE(readSettings(path)->CommPort, qint16(12));
        removeSettings(path);
        QVERIFY(!QFile::exists(path));
        QVERIFY(!writeSettings(dir.filePath(QStringLiteral("no/such/folder/setup.txt")),
            Settings { QStringLiteral("460800"), 1 }));
    }

    // A write that fails part way leaves the old file as it was, read-only or not; a file size
    // limit stands in for a full disk.
    void failedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<QFileDevice::Permissions>("mode");
        QTest::newRow("writable") << (QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QTest::newRow("read-only") << QFileDevice::Permissions(QFileDevice::ReadOwner);
    }
    void failedWriteKeepsTheOldFile()
    {
        QFETCH(QFileDevice::Permissions, mode);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("setup.txt"));
        const QByteArray oldText("BaudRate=9600\r\nCommPort=3\r\n");
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            QCOMPARE(old.write(oldText), oldText.size());
        }
        QVERIFY(QFile::setPermissions(path, mode));

        rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 8;
        // Past the limit a write fails with EFBIG instead of ending the process.
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = writeSettings(path, Settings { QStringLiteral("460800"), 12 });
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!written);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), oldText);
        const QFileDevice::Permissions owner =
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
        QCOMPARE(QFile::permissions(path) & owner, mode);
        // No temporary file is left behind.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            QStringList { QStringLiteral("setup.txt") });
    }

    void numberRules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected"); // -99999: does not fit
        const auto row = [](const char *text, int expected) {
            QTest::newRow(text) << QString::fromLatin1(text) << expected;
        };
        for (const char *zero : { "Auto", "auto", "COM3", "0.5", ".5", "-" })
            row(zero, 0);
        row("300", 300);
        row("7 (ttyUSB0)", 7);
        row("1.5", 2);
        row("-2.5", -2);
        row("40000", -99999);
        row("-32768", -32768);
    }
    void numberRules()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const auto port = readPortNumber(text);
        QCOMPARE(port ? int(*port) : -99999, expected);
    }
};

QTEST_GUILESS_MAIN(tst_settings)
#include "tst_settings.moc"
