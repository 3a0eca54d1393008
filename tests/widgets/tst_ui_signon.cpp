#include "support/ProgramFixture.h"
#include "settings/Version.h"
#include "widgets/frmSignOn.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

namespace {

struct SignOnFixture : ProgramFixture {
    // The sign-on timer's tick, through the timer's own signal.
    void tick() const
    {
        auto *timer = program->signOnWindow()->findChild<QTimer *>(QStringLiteral("tmrSignOn"));
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
    }
};

QLabel *label(QWidget *window, const char *name)
{
    return window->findChild<QLabel *>(QLatin1String(name));
}

}  // namespace

// The sign-on window and the start-up that its timer runs.
class tst_ui_signon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void textsAndFonts_data();
    void textsAndFonts();
    void windowAndTimer();
    void readableSettingsOpenTheMainWindow();
    void answerNoWritesFreshDefaultsAndSearches();
    void answerYesOpensThePortSelectionAndItsCancelEndsTheProgram();
};

void tst_ui_signon::textsAndFonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("centred");
    const auto row = [](const char *name, const char *text, double points, bool bold, bool italic, bool centred) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(text) << points << bold << italic
                            << centred;
    };
    row("lblType", "Transfering Wave Files", 14.25, false, false, true);
    row("lblFor", "for ", 9.75, true, true, false);
    row("lblTitle", "Tavix Message Manager", 21.75, true, false, true);
    row("lblCompany", "Tavix Systems", 12.0, true, false, false);
}

void tst_ui_signon::textsAndFonts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(bool, centred);
    SignOnFixture fixture;
    fixture.program->start();
    auto *found = fixture.program->signOnWindow()->findChild<QLabel *>(name);
    QVERIFY(found);
    QCOMPARE(found->text(), text);
    QCOMPARE(found->font().pointSizeF(), points);
    QCOMPARE(found->font().bold(), bold);
    QCOMPARE(found->font().italic(), italic);
    if (centred)
        QVERIFY(found->alignment() & Qt::AlignHCenter);
}

void tst_ui_signon::windowAndTimer()
{
    SignOnFixture fixture;
    fixture.program->start();
    frmSignOn *window = fixture.program->signOnWindow();
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Message Manager"));
    QCOMPARE(window->palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(window->autoFillBackground());
    QCOMPARE(label(window, "lblVersion")->text(), versionText());
    QVERIFY(label(window, "lblVersion")->text().startsWith(u"Version "));
    QVERIFY(!label(window, "lblCpyright")->text().isEmpty());
    QVERIFY(!label(window, "imgLogo")->pixmap().isNull());

    auto *timer = window->findChild<QTimer *>(QStringLiteral("tmrSignOn"));
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 2000);
    QVERIFY(timer->isSingleShot());
    QVERIFY(timer->isActive());
    // Nothing happens before the timer fires.
    QVERIFY(!fixture.program->mainWindowLoaded());
}

void tst_ui_signon::readableSettingsOpenTheMainWindow()
{
    SignOnFixture fixture;
    QVERIFY(fixture.writeFile(fixture.settingsFile(), "BaudRate=115200\r\nCommPort=1\r\n"));
    fixture.program->start();
    const QPointer<frmSignOn> signOn = fixture.program->signOnWindow();
    fixture.tick();

    QVERIFY(fixture.prompter->shown.isEmpty());
    QCOMPARE(fixture.program->declarations().BaudRate, QStringLiteral("115200"));
    frmMain1 *main = fixture.program->mainWindow();
    QVERIFY(main && main->isVisible());
    QVERIFY(fixture.comm->PortOpen());
    QCOMPARE(fixture.comm->lastLineSettings(), QStringLiteral("115200N,8,1"));
    // The sign-on window is unloaded, and its timer fires no more.
    QVERIFY(!fixture.program->signOnWindow());
    QVERIFY(!signOn->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!signOn);
}

void tst_ui_signon::answerNoWritesFreshDefaultsAndSearches()
{
    SignOnFixture fixture;
    // Unreadable: one line only.
    QVERIFY(fixture.writeFile(fixture.settingsFile(), "garbage without a second line"));
    fixture.prompter->answers << false;
    fixture.program->start();
    fixture.tick();

    // The question's texts are the start-up's own tests' business; here it is asked once.
    QCOMPARE(fixture.prompter->shown.size(), 1);
    // Written fresh, so the next start reads it instead of asking again.
    QCOMPARE(fixture.settings(), QByteArray("BaudRate=460800\r\nCommPort=1\r\n"));

    frmMain1 *main = fixture.program->mainWindow();
    QVERIFY(main && main->isVisible());
    // The load leaves the port closed and starts the search a second later.
    QVERIFY(!fixture.comm->PortOpen());
    QVERIFY(fixture.unit.received().isEmpty());
    QVERIFY(main->controller().timers().Timer3.isActive());
    QVERIFY(!main->controller().timers().Timer2.isActive());
    QVERIFY(!fixture.program->declarations().AutoSearchPending);
}

void tst_ui_signon::answerYesOpensThePortSelectionAndItsCancelEndsTheProgram()
{
    SignOnFixture fixture;
    fixture.prompter->answers << true;
    fixture.program->start();
    bool selectionOpen = false;
    QTimer::singleShot(0, fixture.program.get(), [&] {
        fixture.tick();
        // The sign-on goes once the tick has returned; the selection keeps the program running.
        QTimer::singleShot(0, fixture.program.get(), [&] {
            frmSerialSet *selection = fixture.program->serialSetWindow();
            selectionOpen = selection && selection->isVisible() && !fixture.program->signOnWindow();
            if (selection)
                selection->cmdCancel_Click();
        });
    });
    // Only reached when the program fails to end by itself.
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });

    // Cancel leaves no window open: the program ends.
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(selectionOpen);
    QCOMPARE(fixture.prompter->shown.size(), 1);
    QVERIFY(!fixture.program->mainWindowLoaded());
    QVERIFY(!fixture.program->signOnWindow());
    QVERIFY(!fixture.program->serialSetWindow());
    QCOMPARE(fixture.program->declarations().CommPort, 1);
    // Nothing is written until a port is chosen.
    QVERIFY(!QFile::exists(fixture.settingsFile()));
}

QTEST_MAIN(tst_ui_signon)
#include "tst_ui_signon.moc"
