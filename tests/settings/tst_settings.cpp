#include "support/RecordingPrompter.h"

#include "commands/HelpWindowText.h"
#include "settings/AppPaths.h"
#include "settings/NumberRules.h"
#include "settings/Settings.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int NoFit = -99999; // nothing read: unreadable, or the number does not fit

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly)
        && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

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
        row("defaults", "BaudRate=460800\r\nCommPort=1\r\n", u"460800"_s, 1);
        row("line feeds, no end after the port", "BaudRate=9600\nCommPort=7", u"9600"_s, 7);
        row("any names, lines after the second ignored", "Speed=9600\r\nPort=3\r\ngarbage\r\n", u"9600"_s, 3);
        row("the rate as it stands", "B= 9600,\r\nC=1\r\n", u" 9600,"_s, 1);
        row("only the first = splits", "B=a=b\r\nC=1\r\n", u"a=b"_s, 1);
        row("line without =: all value", "9600\r\n2\r\n", u"9600"_s, 2);
        row("one line", "BaudRate=460800\r\n", {}, NoFit);
        row("value of 255 characters", "B=" + long255 + "\r\nC=1\r\n", QString::fromLatin1(long255), 1);
        row("value of 256 characters", "B=" + long255 + "9\r\nC=1\r\n", {}, NoFit);
        row("= as 255th character", QByteArray(254, 'x') + "=1\r\nC=1\r\n", u"1"_s, 1);
        row("= as 256th character", QByteArray(255, 'x') + "=1\r\nC=1\r\n", {}, NoFit);
        row("8-bit characters kept", "B=\xe9t\xe9\r\nC=1\r\n", u"\u00e9t\u00e9"_s, 1);
    }
    void reading()
    {
        QFETCH(QByteArray, contents);
        const auto settings = parseSettings(contents);
        QTEST(settings ? settings->BaudRate : QString(), "baud");
        QTEST(settings ? int(settings->CommPort) : NoFit, "port");
    }

    // A number at the start of the text, halves to even, 16 bits, or the file is unreadable; a
    // port the user picks is 1 to 255.
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
        row("2.5", 2, 2);
        row("-2.5", -2, NoFit);
        row("254.5", 254, 254);
        row("255", 255, 255);
        row("255.5", 256, NoFit);
        row("32767", 32767, NoFit);
        row("32767.5", NoFit, NoFit);
        row("-32768", -32768, NoFit);
        row("-32769", NoFit, NoFit);
    }
    void numberRules()
    {
        QFETCH(QString, text);
        QTEST(readPortNumber(text) ? int(*readPortNumber(text)) : NoFit, "port");
        QTEST(readPortChoice(text) ? int(*readPortChoice(text)) : NoFit, "choice");
        const auto settings = parseSettings("B=1\r\nC=" + text.toLatin1());
        QTEST(settings ? int(settings->CommPort) : NoFit, "port");
    }

    // The file is replaced in one step, even a read-only one; a write that fails part way (a file
    // size limit stands in for a full disk) leaves the old file as it was, mode included.
    void writing_data()
    {
        QTest::addColumn<int>("oldMode"); // 0: no old file
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("new") << 0 << false;
        QTest::newRow("over a read-only file") << int(QFileDevice::ReadOwner) << false;
        QTest::newRow("disk full, writable old file") << int(QFileDevice::ReadOwner | QFileDevice::WriteOwner) << true;
        QTest::newRow("disk full, read-only old file") << int(QFileDevice::ReadOwner) << true;
    }
    void writing()
    {
        QFETCH(int, oldMode);
        QFETCH(bool, diskFull);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"setup.txt"_s);
        const QByteArray oldText("BaudRate=9600\r\nCommPort=3\r\n");
        if (oldMode)
            QVERIFY(writeFile(path, oldText) && QFile::setPermissions(path, QFileDevice::Permissions(oldMode)));
        rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limit { diskFull ? 8 : saved.rlim_cur, saved.rlim_max };
        // Past the limit a write fails with EFBIG instead of ending the process.
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        const bool written = writeSettings(path, Settings { u"460800"_s, 12 });
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(written, !diskFull);
        QCOMPARE(readFile(path), diskFull ? oldText : QByteArray("BaudRate=460800\r\nCommPort=12\r\n"));
        if (diskFull)
            QCOMPARE(int(QFile::permissions(path) & (QFileDevice::ReadOwner | QFileDevice::WriteOwner)), oldMode);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { u"setup.txt"_s });
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        removeSettings(path);
        QVERIFY(!QFile::exists(path) && !readSettings(path));
        QVERIFY(!writeSettings(dir.filePath(u"no/folder/setup.txt"_s), Settings {}));
    }

    // help.txt is shown whole, line ends kept; what cannot be instructions is not shown at all.
    void helpText_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // "size:N": N zero bytes; "folder", "missing"
        QTest::addColumn<QString>("text"); // null: not shown
        const QByteArray lines("Finding the port\r\n\r\nUse Tools.\nLast line without end");
        QTest::newRow("empty") << QByteArray() << u""_s;
        QTest::newRow("lines") << lines << QString::fromLatin1(lines);
        QTest::newRow("UTF-8") << QByteArray("Gr\xc3\xbc\xc3\x9f" "e \xe2\x80\x94\r\n") << u"Grüße —\r\n"_s;
        QTest::newRow("8-bit code page") << QByteArray("Gr\xfc\xdf" "e\r\n") << u"Grüße\r\n"_s;
        QTest::newRow("zero byte") << QByteArray("a\0b", 3) << QString::fromLatin1("a\0b", 3);
        QTest::newRow("4 MiB") << QByteArray("size:4194304") << QString(4 << 20, QChar(0));
        QTest::newRow("4 MiB and a byte") << QByteArray("size:4194305") << QString();
        QTest::newRow("missing") << QByteArray("missing") << QString();
        QTest::newRow("a folder") << QByteArray("folder") << QString();
    }
    void helpText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"help.txt"_s);
        QFile file(path);
        if (bytes.startsWith("size:")) // sparse: no real disk use
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(bytes.mid(5).toLongLong()));
        else if (bytes == "folder")
            QVERIFY(QDir().mkpath(path));
        else if (bytes != "missing")
            QVERIFY(writeFile(path, bytes));
        RecordingPrompter prompter;
        QCOMPARE(helpWindowText(path, prompter), text.isNull() ? u"Text1"_s : text);
        QCOMPARE(prompter.texts(), text.isNull() ? QStringList { u"No Instructions Available!"_s } : QStringList());
        QVERIFY(prompter.shown.isEmpty() || prompter.shown.first().title == u"Tavix");
    }

    // Run from its build folder the program keeps everything beside itself; installed (its data
    // folder is there) it reads help and wave files from the data folder and keeps settings and
    // port links in the user's configuration folder, as it does where its folder is read-only.
    void paths_data()
    {
        QTest::addColumn<bool>("dataFolder");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("dataIn"); // bin: help.txt is beside the program
        QTest::addColumn<QString>("settingsIn");
        const QString bin = u"bin"_s, data = u"share/tavix-message-manager"_s, config = u"config"_s;
        QTest::newRow("build folder, a data folder too") << true << false << bin << bin;
        QTest::newRow("installed, prefix not writable") << true << true << data << config;
        QTest::newRow("installed into a prefix the user owns") << true << false << data << config;
        QTest::newRow("read-only folder without data") << false << true << bin << config;
    }
    void paths()
    {
        QFETCH(bool, dataFolder);
        QFETCH(bool, readOnly);
        QFETCH(QString, dataIn);
        QFETCH(QString, settingsIn);
        QTemporaryDir root;
        const QString bin = root.filePath(u"bin"_s);
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(dataIn != u"bin" || writeFile(bin + u"/help.txt"_s, "help"));
        QVERIFY(!dataFolder || writeFile(root.filePath(u"share/tavix-message-manager/help.txt"_s), "help"));
        QVERIFY(!readOnly || QFile::setPermissions(bin, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const bool writable = QFileInfo(bin).isWritable();
        const AppPaths paths = AppPaths::forLayout(bin, root.filePath(u"config"_s));
        QFile::setPermissions(bin, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (readOnly && writable && !dataFolder)
            QSKIP("Running with rights that write any folder");
        QCOMPARE(QStringList({ paths.helpFile, paths.waveDir, paths.settingsFile, paths.portsDir }),
            QStringList({ root.filePath(dataIn + u"/help.txt"_s), root.filePath(dataIn + u"/wavefiles"_s),
                root.filePath(settingsIn + u"/setup.txt"_s), root.filePath(settingsIn + u"/ports"_s) }));
    }
};

QTEST_GUILESS_MAIN(tst_settings)
#include "tst_settings.moc"
