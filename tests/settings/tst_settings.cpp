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
        row("line feeds, no end after the port", "BaudRate=9600\nCommPort=7", u"9600"_s, 7);
        row("any names, lines after the second ignored", "Speed=9600\r\nPort=3\r\ngarbage\r\n", u"9600"_s, 3);
        row("8-bit value as it stands after the first =", "B= \xe9=b,\r\nC=1\r\n", u" \u00e9=b,"_s, 1);
        row("line without =: all value", "9600\r\n2\r\n", u"9600"_s, 2);
        row("one line", "BaudRate=460800\r\n", {}, NoFit);
        row("value of 255 characters", "B=" + long255 + "\r\nC=1\r\n", QString::fromLatin1(long255), 1);
        row("value of 256 characters", "B=" + long255 + "9\r\nC=1\r\n", {}, NoFit);
        row("= as 255th character", QByteArray(254, 'x') + "=1\r\nC=1\r\n", u"1"_s, 1);
        row("= as 256th character", QByteArray(255, 'x') + "=1\r\nC=1\r\n", {}, NoFit);
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
        const QList<std::tuple<const char *, int, int>> rows { { "COM3", 0, NoFit },
            { ".5", 0, NoFit }, { "0", 0, NoFit }, { "1", 1, 1 }, { "\t 7 (ttyUSB0)", 7, 7 },
            { "254.5", 254, 254 }, { "255", 255, 255 }, { "255.5", 256, NoFit },
            { "32767", 32767, NoFit }, { "32767.5", NoFit, NoFit }, { "-32768", -32768, NoFit },
            { "-32769", NoFit, NoFit } };
        for (const auto &[text, port, choice] : rows)
            QTest::newRow(text) << QString::fromLatin1(text) << port << choice;
    }
    void numberRules()
    {
        QFETCH(QString, text);
        QTEST(readPortNumber(text) ? int(*readPortNumber(text)) : NoFit, "port");
        QTEST(readPortChoice(text) ? int(*readPortChoice(text)) : NoFit, "choice");
        const auto settings = parseSettings("B=1\r\nC=" + text.toLatin1());
        QTEST(settings ? int(settings->CommPort) : NoFit, "port");
    }

    // A read-only file is replaced in one step; a write that fails part way (a file size limit
    // stands in for a full disk) is reported and leaves the old file as it was, mode included.
    void writing()
    {
        for (const bool diskFull : { false, true }) {
            QTemporaryDir dir;
            const QString path = dir.filePath(u"setup.txt"_s);
            const QByteArray oldText("BaudRate=9600\r\nCommPort=3\r\n");
            QVERIFY(writeFile(path, oldText) && QFile::setPermissions(path, QFileDevice::ReadOwner));
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
            QCOMPARE(int(QFile::permissions(path) & (QFileDevice::ReadOwner | QFileDevice::WriteOwner)),
                int(diskFull ? QFileDevice::ReadOwner : QFileDevice::ReadOwner | QFileDevice::WriteOwner));
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { u"setup.txt"_s });
            QFile::setPermissions(path, QFileDevice::ReadOwner);
            removeSettings(path);
            QVERIFY(!QFile::exists(path) && !readSettings(path));
        }
        QVERIFY(!writeSettings(u"/nonexistent/no/folder/setup.txt"_s, Settings {}));
    }

    // help.txt is shown whole, line ends and zero bytes kept; what cannot be instructions is not
    // shown at all.
    void helpText_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // "size:N": N zero bytes; "folder", "missing"
        QTest::addColumn<QString>("text"); // null: not shown
        QTest::newRow("empty") << QByteArray() << u""_s;
        QTest::newRow("UTF-8 lines") << "Gr\xc3\xbc\xc3\x9f"
                                        "e \xe2\x80\x94\r\n\r\n\0Use.\nLast"_ba
                                     << u"Grüße —\r\n\r\n\0Use.\nLast"_s;
        QTest::newRow("8-bit code page") << QByteArray("Gr\xfc\xdf" "e\r\n") << u"Grüße\r\n"_s;
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

    // From its build folder the program keeps everything beside itself; installed (its data folder
    // is there, even in a prefix the user owns) it reads help and wave files from the data folder
    // and keeps settings and port links in the user's configuration folder.
    void paths()
    {
        const QString bin = u"bin"_s, data = u"share/tavix-message-manager"_s, config = u"config"_s;
        for (const auto &[beside, dataFolder, dataIn, settingsIn] : QList<std::tuple<bool, bool, QString, QString>> {
                 { true, true, bin, bin }, { false, true, data, config }, { false, false, bin, bin } }) {
            QTemporaryDir root;
            QVERIFY(QDir().mkpath(root.filePath(bin)));
            QVERIFY(!beside || writeFile(root.filePath(u"bin/help.txt"_s), "help"));
            QVERIFY(!dataFolder || writeFile(root.filePath(data + u"/help.txt"_s), "help"));
            const AppPaths paths = AppPaths::forLayout(root.filePath(bin), root.filePath(config));
            QCOMPARE(QStringList({ paths.helpFile, paths.waveDir, paths.settingsFile, paths.portsDir }),
                QStringList({ root.filePath(dataIn + u"/help.txt"_s), root.filePath(dataIn + u"/wavefiles"_s),
                    root.filePath(settingsIn + u"/setup.txt"_s), root.filePath(settingsIn + u"/ports"_s) }));
        }
    }
};

QTEST_GUILESS_MAIN(tst_settings)
#include "tst_settings.moc"
