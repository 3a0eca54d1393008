#include "support/RecordingPrompter.h"
#include "support/RecordingWindows.h"

#include "app/AppPaths.h"
#include "app/Declarations.h"
#include "app/Settings.h"
#include "app/StartUp.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// What happens when the sign-on window's timer fires.
class tst_startup : public QObject {
    Q_OBJECT
private:
    static void writeFile(const QString &path, const QByteArray &contents)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void readableFileOpensTheMainWindow()
    {
        QTemporaryDir dir;
        const AppPaths paths = AppPaths::inFolder(dir.path());
        writeFile(paths.settingsFile, "BaudRate=115200\r\nCommPort=3\r\n");
        modDeclarations declarations;
        declarations.AutoSearchPending = true;
        RecordingPrompter prompter;
        RecordingWindows windows;
        StartUp(declarations, paths, prompter, windows).tmrSignOn_Timer();
        QCOMPARE(windows.calls, QStringList{QStringLiteral("main")});
        QVERIFY(prompter.shown.isEmpty());
        QCOMPARE(declarations.BaudRate, QStringLiteral("115200"));
        QCOMPARE(declarations.CommPort, qint16(3));
        QVERIFY(!declarations.AutoSearchPending);
    }

    void unreadableFileAsks_data()
    {
        QTest::addColumn<QByteArray>("contents");  // empty: no file
        QTest::newRow("no file") << QByteArray();
        QTest::newRow("one line") << QByteArray("BaudRate=460800\r\n");
        QTest::newRow("port out of range") << QByteArray("CommPort=3\r\nBaudRate=460800\r\n");
    }
    void unreadableFileAsks()
    {
        QFETCH(QByteArray, contents);
        for (const bool yes : {true, false}) {
            QTemporaryDir dir;
            const AppPaths paths = AppPaths::inFolder(dir.path());
            if (!contents.isEmpty())
                writeFile(paths.settingsFile, contents);
            modDeclarations declarations;
            declarations.BaudRate = QStringLiteral("9600");
            declarations.CommPort = 9;
            RecordingPrompter prompter;
            prompter.answers = {yes};
            RecordingWindows windows;
            StartUp(declarations, paths, prompter, windows).tmrSignOn_Timer();

            QCOMPARE(prompter.shown.size(), 1);
            QCOMPARE(prompter.shown[0].text, QStringLiteral("Do you know what com port the Tavix is on?"));
            QCOMPARE(prompter.shown[0].title, QStringLiteral("Auto Search"));
            QVERIFY(prompter.shown[0].question);
            QCOMPARE(declarations.BaudRate, QStringLiteral("460800"));
            QCOMPARE(declarations.CommPort, qint16(1));
            if (yes) {
                // The port selection dialog writes the file; nothing is written here.
                QCOMPARE(windows.calls, QStringList{QStringLiteral("serial set")});
                QCOMPARE(readFile(paths.settingsFile), contents);
                QVERIFY(!declarations.AutoSearchPending);
            } else {
                QCOMPARE(windows.calls, QStringList{QStringLiteral("main")});
                QVERIFY(declarations.AutoSearchPending);
                // Written fresh, so the next start reads it and does not ask again.
                QCOMPARE(readFile(paths.settingsFile), QByteArray("BaudRate=460800\r\nCommPort=1\r\n"));
                RecordingPrompter nextPrompter;
                RecordingWindows nextWindows;
                StartUp(declarations, paths, nextPrompter, nextWindows).tmrSignOn_Timer();
                QVERIFY(nextPrompter.shown.isEmpty());
                QCOMPARE(nextWindows.calls, QStringList{QStringLiteral("main")});
            }
        }
    }

    void unwritableDefaultFileStillStartsTheSearch()
    {
        QTemporaryDir dir;
        AppPaths paths = AppPaths::inFolder(dir.path());
        paths.settingsFile = dir.filePath(QStringLiteral("missing-folder/setup.txt"));
        modDeclarations declarations;
        RecordingPrompter prompter;
        prompter.answers = {false};
        RecordingWindows windows;
        StartUp(declarations, paths, prompter, windows).tmrSignOn_Timer();
        QCOMPARE(windows.calls, QStringList{QStringLiteral("main")});
        QVERIFY(declarations.AutoSearchPending);
        QCOMPARE(declarations.CommPort, qint16(1));
    }
};

QTEST_GUILESS_MAIN(tst_startup)
#include "tst_startup.moc"
