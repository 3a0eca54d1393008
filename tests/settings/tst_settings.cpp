#include "support/RecordingPrompter.h"

#include "commands/HelpWindowText.h"
#include "settings/AppPaths.h"
#include "settings/NumberRules.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>

namespace {

constexpr int NoFit = -99999; // nothing read: unreadable, or the number does not fit

// A scratch folder and files in it.
struct Folder {
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
    bool write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        return QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly)
            && file.write(bytes) == bytes.size();
    }
    QByteArray read(const QString &name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }
};

} // namespace

// setup.txt, the number rules, the instructions and where the program keeps its files.
class tst_settings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reading_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("baud");
        QTest::addColumn<int>("port"); // NoFit: the file is unreadable
        const auto row = [](const char *name, const QByteArray &contents, const QString &baud, int port) {
            QTest::newRow(name) << contents << baud << port;
        };
        const QByteArray long255(255, '9');
        row("defaults", "BaudRate=460800\r\nCommPort=1\r\n", QStringLiteral("460800"), 1);
        row("line feeds, no end after the port", "BaudRate=9600\nCommPort=7", QStringLiteral("9600"), 7);
        row("lines after the second ignored", "B=9600\r\nC=3\r\ngarbage\r\n", QStringLiteral("9600"), 3);
        row("names are not looked at", "Speed=19200\r\nPort=4\r\n", QStringLiteral("19200"), 4);
        row("lines swapped: port 460800 does not fit", "CommPort=3\r\nBaudRate=460800\r\n", {}, NoFit);
        row("the port by the number rules", "B=1\r\nC=2.5\r\n", QStringLiteral("1"), 2);
        row("the rate as it stands", "B= 9600,\r\nC=1\r\n", QStringLiteral(" 9600,"), 1);
        row("only the first = splits", "B=a=b\r\nC=1\r\n", QStringLiteral("a=b"), 1);
        row("line without =: all value", "9600\r\n2\r\n", QStringLiteral("9600"), 2);
        row("one line", "BaudRate=460800\r\n", {}, NoFit);
        row("value of 255 characters", "B=" + long255 + "\r\nC=1\r\n", QString::fromLatin1(long255), 1);
        row("value of 256 characters", "B=" + long255 + "9\r\nC=1\r\n", {}, NoFit);
        row("= as 255th character", QByteArray(254, 'x') + "=1\r\nC=1\r\n", QStringLiteral("1"), 1);
        row("= as 256th character", QByteArray(255, 'x') + "=1\r\nC=1\r\n", {}, NoFit);
        row("8-bit characters kept", "B=\xe9t\xe9\r\nC=1\r\n", QStringLiteral(u"\u00e9t\u00e9"), 1);
    }
    void reading()
    {
        QFETCH(QByteArray, contents);
        const auto settings = parseSettings(contents);
        QTEST(settings ? settings->BaudRate : QString(), "baud");
        QTEST(settings ? int(settings->CommPort) : NoFit, "port");
    }

    // A number at the start of the text, halves to even, 16 bits; a port choice is 1 to 255.
    void numberRules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("choice");
        const auto row = [](const char *text, int port, int choice) {
            QTest::newRow(text) << QString::fromLatin1(text) << port << choice;
        };
        for (const char *zero : { "", "Auto", "COM3", ".5", "-", "0" })
            row(zero, 0, NoFit);
        row("1", 1, 1);
        row("  7 (ttyUSB0)", 7, 7);
        row("1.5", 2, 2);
        row("2.5", 2, 2);
        row("-2.5", -2, NoFit);
        row("254.5", 254, 254);
        row("255", 255, 255);
        row("255.5", 256, NoFit);
        row("32767", 32767, NoFit);
        row("32767.5", NoFit, NoFit);
        row("32768", NoFit, NoFit);
        row("-32768", -32768, NoFit);
        row("-32769", NoFit, NoFit);
    }
    void numberRules()
    {
        QFETCH(QString, text);
        QTEST(readPortNumber(text) ? int(*readPortNumber(text)) : NoFit, "port");
        QTEST(readPortChoice(text) ? int(*readPortChoice(text)) : NoFit, "choice");
    }

    // The writer replaces whatever was there, even a read-only file, and fails cleanly where it
    // cannot write.
    void writer()
    {
        Folder f;
        const QString path = f.path(QStringLiteral("setup.txt"));
        QVERIFY(!readSettings(path));
        QVERIFY(f.write(QStringLiteral("setup.txt"), "old junk\r\n"));
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
        QVERIFY(writeSettings(path, Settings { QStringLiteral("460800"), 12 }));
        QCOMPARE(f.read(QStringLiteral("setup.txt")), QByteArray("BaudRate=460800\r\nCommPort=12\r\n"));
        QCOMPARE(readSettings(path)->CommPort, qint16(12));
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        removeSettings(path);
        QVERIFY(!QFile::exists(path));
        QVERIFY(!writeSettings(f.path(QStringLiteral("no/folder/setup.txt")), Settings {}));
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
        Folder f;
        const QString path = f.path(QStringLiteral("setup.txt"));
        const QByteArray oldText("BaudRate=9600\r\nCommPort=3\r\n");
        QVERIFY(f.write(QStringLiteral("setup.txt"), oldText));
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
        QCOMPARE(f.read(QStringLiteral("setup.txt")), oldText);
        QCOMPARE(QFile::permissions(path) & (QFileDevice::ReadOwner | QFileDevice::WriteOwner), mode);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("setup.txt") });
    }

    // help.txt is shown whole, line ends kept; what cannot be instructions is not shown at all.
    void helpText_data()
    {
        QTest::addColumn<QString>("kind"); // file, sparse (zeros), missing, folder, unreadable
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text"); // null: "No Instructions Available!"
        const auto file = QStringLiteral("file");
        const QByteArray lines("Finding the port\r\n\r\nUse Tools.\nLast line without end");
        QTest::newRow("empty") << file << QByteArray() << QStringLiteral("");
        QTest::newRow("lines") << file << lines << QString::fromLatin1(lines);
        QTest::newRow("UTF-8") << file << QByteArray("Gr\xc3\xbc\xc3\x9f" "e \xe2\x80\x94\r\n")
                               << QStringLiteral("Grüße —\r\n");
        QTest::newRow("8-bit code page") << file << QByteArray("Gr\xfc\xdf" "e\r\n") << QStringLiteral("Grüße\r\n");
        QTest::newRow("zero byte") << file << QByteArray("a\0b", 3) << QString::fromLatin1("a\0b", 3);
        QTest::newRow("4 MiB") << QStringLiteral("sparse") << QByteArray::number(4 << 20)
                               << QString(4 << 20, QChar(0));
        QTest::newRow("4 MiB and a byte") << QStringLiteral("sparse") << QByteArray::number((4 << 20) + 1) << QString();
        QTest::newRow("missing") << QStringLiteral("missing") << QByteArray() << QString();
        QTest::newRow("a folder") << QStringLiteral("folder") << QByteArray() << QString();
        QTest::newRow("unreadable") << QStringLiteral("unreadable") << QByteArray() << QString();
    }
    void helpText()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        Folder f;
        const QString path = f.path(QStringLiteral("help.txt"));
        QFile file(path);
        if (kind == u"file" || kind == u"unreadable")
            QVERIFY(f.write(QStringLiteral("help.txt"), bytes));
        if (kind == u"sparse") // no real disk use
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(bytes.toLongLong()));
        if (kind == u"folder")
            QVERIFY(QDir().mkpath(path));
        if (kind == u"unreadable" && (!file.setPermissions(QFileDevice::WriteOwner) || file.open(QIODevice::ReadOnly)))
            QSKIP("Running with rights that read any file");
        RecordingPrompter prompter;
        QCOMPARE(helpWindowText(path, prompter), text.isNull() ? QStringLiteral("Text1") : text);
        QCOMPARE(prompter.texts(), text.isNull() ? QStringList { QStringLiteral("No Instructions Available!") } : QStringList());
        if (text.isNull())
            QCOMPARE(prompter.shown.first().title, QStringLiteral("Tavix"));
    }

    // Run from its build folder the program keeps everything beside itself; installed (its data
    // folder is there) it reads help and wave files from the data folder and keeps settings and
    // port links in the user's configuration folder, as it does where its folder is read-only.
    void paths_data()
    {
        QTest::addColumn<bool>("helpBeside");
        QTest::addColumn<bool>("dataFolder");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("dataIn");
        QTest::addColumn<QString>("settingsIn");
        const QString bin = QStringLiteral("bin");
        const QString data = QStringLiteral("share/tavix-message-manager");
        const QString config = QStringLiteral("config");
        QTest::newRow("build folder, data folder too") << true << true << false << bin << bin;
        QTest::newRow("installed, prefix not writable") << false << true << true << data << config;
        QTest::newRow("installed into a prefix the user owns") << false << true << false << data << config;
        QTest::newRow("read-only folder without data") << true << false << true << bin << config;
    }
    void paths()
    {
        QFETCH(bool, helpBeside);
        QFETCH(bool, dataFolder);
        QFETCH(bool, readOnly);
        QFETCH(QString, dataIn);
        QFETCH(QString, settingsIn);
        Folder f;
        const QString bin = f.path(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        if (helpBeside)
            QVERIFY(f.write(QStringLiteral("bin/help.txt"), "help"));
        if (dataFolder)
            QVERIFY(f.write(QStringLiteral("share/tavix-message-manager/help.txt"), "help"));
        if (readOnly)
            QVERIFY(QFile::setPermissions(bin, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const bool writable = QFileInfo(bin).isWritable();
        const AppPaths paths = AppPaths::forLayout(bin, f.path(QStringLiteral("config")));
        QFile::setPermissions(bin, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (readOnly && writable && dataIn == u"bin")
            QSKIP("Running with rights that write any folder");
        QCOMPARE(QStringList({ paths.helpFile, paths.waveDir, paths.settingsFile, paths.portsDir }),
            QStringList({ f.path(dataIn + QStringLiteral("/help.txt")), f.path(dataIn + QStringLiteral("/wavefiles")),
                f.path(settingsIn + QStringLiteral("/setup.txt")), f.path(settingsIn + QStringLiteral("/ports")) }));
    }
};

QTEST_GUILESS_MAIN(tst_settings)
#include "tst_settings.moc"
