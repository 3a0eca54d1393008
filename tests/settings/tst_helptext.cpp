#include "support/RecordingPrompter.h"

#include "settings/AppPaths.h"
#include "settings/HelpText.h"
#include "commands/HelpWindowText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString NoInstructions = QStringLiteral("No Instructions Available!");

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

// The instructions file and where the program looks for its files.
class tst_helptext : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void shownWhole_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");

        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("several lines, line ends kept")
            << QByteArray("Finding the port\r\n\r\nUse Tools.\nLast line without end")
            << QStringLiteral("Finding the port\r\n\r\nUse Tools.\nLast line without end");
        QTest::newRow("UTF-8") << QByteArray("Gr\xc3\xbc\xc3\x9f" "e \xe2\x80\x94 ok\r\n")
                               << QStringLiteral("Grüße — ok\r\n");
        QTest::newRow("an 8-bit code page") << QByteArray("Gr\xfc\xdf" "e\r\n")
                                            << QStringLiteral("Grüße\r\n");
        QTest::newRow("a zero byte") << QByteArray("a\0b", 3) << QString::fromLatin1("a\0b", 3);
    }
    void shownWhole()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("help.txt"));
        QVERIFY(writeFile(path, bytes));
        RecordingPrompter prompter;
        QCOMPARE(helpWindowText(path, prompter), text);
        QVERIFY(prompter.shown.isEmpty());
    }

    void notAvailable_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << QStringLiteral("missing");
        QTest::newRow("a folder") << QStringLiteral("folder");
        QTest::newRow("unreadable") << QStringLiteral("unreadable");
        QTest::newRow("far too large") << QStringLiteral("large");
    }
    void notAvailable()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("help.txt"));
        if (kind == u"folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == u"unreadable") {
            QVERIFY(writeFile(path, "secret"));
            QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
            if (QFile(path).open(QIODevice::ReadOnly))
                QSKIP("Running with rights that read any file");
        } else if (kind == u"large") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(64 * 1024 * 1024));  // sparse: no real disk use
        }
        RecordingPrompter prompter;
        QCOMPARE(helpWindowText(path, prompter), QStringLiteral("Text1"));
        QCOMPARE(prompter.texts(), QStringList{NoInstructions});
        QCOMPARE(prompter.shown.first().title, QStringLiteral("Tavix"));
    }

    void buildFolderKeepsEverythingBeside()
    {
        QTemporaryDir root;
        const QString bin = root.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin + QStringLiteral("/wavefiles")));
        QVERIFY(writeFile(bin + QStringLiteral("/help.txt"), "help"));
        const AppPaths paths = AppPaths::forLayout(bin, root.filePath(QStringLiteral("config")));
        QCOMPARE(paths.settingsFile, bin + QStringLiteral("/setup.txt"));
        QCOMPARE(paths.helpFile, bin + QStringLiteral("/help.txt"));
        QCOMPARE(paths.waveDir, bin + QStringLiteral("/wavefiles"));
        QCOMPARE(paths.portsDir, bin + QStringLiteral("/ports"));
    }

    void installedReadsDataAndKeepsSettingsInConfig_data()
    {
        QTest::addColumn<bool>("writablePrefix");
        QTest::newRow("system prefix, not writable") << false;
        QTest::newRow("prefix the user owns") << true;
    }
    void installedReadsDataAndKeepsSettingsInConfig()
    {
        QFETCH(bool, writablePrefix);
        QTemporaryDir root;
        const QString bin = root.filePath(QStringLiteral("bin"));
        const QString data = root.filePath(QStringLiteral("share/tavix-message-manager"));
        const QString config = root.filePath(QStringLiteral("home/.config/tavix"));
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QDir().mkpath(data + QStringLiteral("/wavefiles")));
        QVERIFY(writeFile(data + QStringLiteral("/help.txt"), "help"));
        if (!writablePrefix)
            QVERIFY(QFile::setPermissions(bin, QFileDevice::ReadOwner | QFileDevice::ExeOwner));

        const AppPaths paths = AppPaths::forLayout(bin, config);
        QFile::setPermissions(bin, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                       | QFileDevice::ExeOwner);
        QCOMPARE(paths.helpFile, data + QStringLiteral("/help.txt"));
        QCOMPARE(paths.waveDir, data + QStringLiteral("/wavefiles"));
        QCOMPARE(paths.settingsFile, config + QStringLiteral("/setup.txt"));
        QCOMPARE(paths.portsDir, config + QStringLiteral("/ports"));
    }

    void readOnlyFolderWithoutDataKeepsSettingsInConfig()
    {
        QTemporaryDir root;
        const QString bin = root.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(writeFile(bin + QStringLiteral("/help.txt"), "help"));
        QVERIFY(QFile::setPermissions(bin, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const bool writable = QFileInfo(bin).isWritable();
        const AppPaths paths = AppPaths::forLayout(bin, root.filePath(QStringLiteral("config")));
        QFile::setPermissions(bin, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                       | QFileDevice::ExeOwner);
        if (writable)
            QSKIP("Running with rights that write any folder");
        QCOMPARE(paths.helpFile, bin + QStringLiteral("/help.txt"));
        QCOMPARE(paths.settingsFile, root.filePath(QStringLiteral("config/setup.txt")));
    }
};

QTEST_GUILESS_MAIN(tst_helptext)
#include "tst_helptext.moc"
