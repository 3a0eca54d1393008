#include "support/RecordingPrompter.h"
#include "support/RecordingWindows.h"

#include "settings/AppPaths.h"
#include "settings/Declarations.h"
#include "commands/StartUp.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The sign-on timer of one start with `answers` ready for its question.
QStringList runSignOn(modDeclarations &declarations, const AppPaths &paths, QList<bool> answers,
    QList<RecordingPrompter::Shown> *shown = nullptr)
{
    RecordingPrompter prompter;
    prompter.answers = answers;
    RecordingWindows windows;
    StartUp(declarations, paths, prompter, windows).tmrSignOn_Timer();
    if (shown)
        *shown = prompter.shown;
    return windows.calls;
}

} // namespace

// What happens when the sign-on window's timer fires.
class tst_startup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void signOn_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: no file
        QTest::addColumn<bool>("readable");
        QTest::addColumn<bool>("knowsPort"); // the answer to the question, when it comes
        QTest::newRow("readable file")
            << QByteArray("BaudRate=115200\r\nCommPort=3\r\n") << true << false;
        QTest::newRow("no file, Yes") << QByteArray() << false << true;
        QTest::newRow("no file, No") << QByteArray() << false << false;
        QTest::newRow("one line, Yes") << QByteArray("BaudRate=460800\r\n") << false << true;
        QTest::newRow("port out of range, No")
            << QByteArray("CommPort=3\r\nBaudRate=460800\r\n") << false << false;
    }
    void signOn()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, readable);
        QFETCH(bool, knowsPort);
        QTemporaryDir dir;
        const AppPaths paths = AppPaths::inFolder(dir.path());
        if (!contents.isEmpty()) {
            QFile file(paths.settingsFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        modDeclarations declarations;
        declarations.BaudRate = QStringLiteral("9600");
        declarations.CommPort = 9;
        // A search left pending from before is dropped once the file reads.
        declarations.AutoSearchPending = readable;
        QList<RecordingPrompter::Shown> shown;
        const QStringList calls = runSignOn(declarations, paths, { knowsPort }, &shown);

        if (readable) {
            QCOMPARE(calls, QStringList { QStringLiteral("main") });
            QVERIFY(shown.isEmpty());
            QCOMPARE(declarations.BaudRate, QStringLiteral("115200"));
            QCOMPARE(declarations.CommPort, qint16(3));
            QVERIFY(!declarations.AutoSearchPending);
            return;
        }
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("Do you know what com port the Tavix is on?"));
        QCOMPARE(shown[0].title, QStringLiteral("Auto Search"));
        QVERIFY(shown[0].question);
        QCOMPARE(declarations.BaudRate, QStringLiteral("460800"));
        QCOMPARE(declarations.CommPort, qint16(1));
        QCOMPARE(declarations.AutoSearchPending, !knowsPort);
        if (knowsPort) {
            // The port selection dialog writes the file; nothing is written here.
            QCOMPARE(calls, QStringList { QStringLiteral("serial set") });
            QCOMPARE(readFile(paths.settingsFile), contents);
            return;
        }
        QCOMPARE(calls, QStringList { QStringLiteral("main") });
        // Written fresh, so the next start reads it and does not ask again.
        QCOMPARE(readFile(paths.settingsFile), QByteArray("BaudRate=460800\r\nCommPort=1\r\n"));
        QCOMPARE(runSignOn(declarations, paths, {}, &shown), QStringList { QStringLiteral("main") });
        QVERIFY(shown.isEmpty());
    }

    void unwritableDefaultFileStillStartsTheSearch()
    {
        QTemporaryDir dir;
        AppPaths paths = AppPaths::inFolder(dir.path());
        paths.settingsFile = dir.filePath(QStringLiteral("missing-folder/setup.txt"));
        modDeclarations declarations;
        QCOMPARE(runSignOn(declarations, paths, { false }), QStringList { QStringLiteral("main") });
        QVERIFY(declarations.AutoSearchPending);
        QCOMPARE(declarations.CommPort, qint16(1));
    }
};

QTEST_GUILESS_MAIN(tst_startup)
#include "tst_startup.moc"
