#include "support/PortSystemStandIn.h"
#include "support/ProgramFixture.h"
#include "support/RecordingWindows.h"
#include "support/UnitFaults.h"
#include "protocol/UploadSizes.h"
#include "settings/Version.h"
#include "widgets/frmOverflow.h"
#include "widgets/frmSignOn.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

namespace {

// A control's text as the user reads it, then its tooltip after '|' when it has one.
QString caption(const QObject *object)
{
    const auto *widget = qobject_cast<const QWidget *>(object);
    if (widget && widget->isWindow() && !qobject_cast<const QMenu *>(object))
        return widget->windowTitle();
    QString text;  // each kind of control has one of these
    for (const char *property : {"text", "title", "currentText", "plainText"})
        text += object->property(property).toString();
    return widget && !widget->toolTip().isEmpty() ? text + u'|' + widget->toolTip() : text;
}

// Every named control of a window that shows a text, in the window's order, as "name=caption";
// the window's own caption first.
QStringList textsOf(const QWidget *window)
{
    QStringList texts{u'=' + caption(window)};
    for (const QObject *object : window->findChildren<QObject *>()) {
        const QString name = object->objectName();
        if (!name.isEmpty() && !name.startsWith(u'_') && !name.startsWith(u"qt_") && !caption(object).isEmpty())
            texts << name + u'=' + caption(object);
    }
    return texts;
}

QString fontOf(const QWidget *widget)
{
    const QFont font = widget->font();
    return QString::number(font.pointSizeF()) + (font.bold() ? QStringLiteral(" bold") : QString())
           + (font.italic() ? QStringLiteral(" italic") : QString());
}

// An overflow dialog on its own, for a file of `size` bytes at `rate` into `location`.
struct Overflow {
    Overflow(qint32 size, qint32 rate, int location)
    {
        decl.SampleRate = rate;
        decl.ReduceSteps = 1;
        setDataSize(decl, size);
        decl.OverflowChoice = QStringLiteral("Wait");
        window = new frmOverflow(decl, location, [this] { ++answers; }, [this] { ++exits; });
        window->show();
    }
    ~Overflow() { delete window.data(); }

    modDeclarations decl;
    QPointer<frmOverflow> window;
    int answers = 0;
    int exits = 0;
};

void applyPort(QWidget *portWindow, const QString &port)
{
    child<QComboBox>(portWindow, QStringLiteral("cmbCommPort"))->setEditText(port);
    press(portWindow, QStringLiteral("cmdApply"));
}

// setup.txt, then the main window the program has now against the one a test started with.
QString settingsAndMainWindow(ProgramFixture &f, const frmMain1 *first)
{
    const QString settings = QString::fromLatin1(f.settings()).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    const frmMain1 *now = f.program->mainWindow();
    if (!now || now == first)
        return settings + (now ? QStringLiteral("|same main window") : QStringLiteral("|no main window"));
    return settings + QStringLiteral("|main window on port %1%2: %3")
                          .arg(f.comm->PortNumber())
                          .arg(f.comm->PortOpen() ? QStringLiteral(" open") : QString(),
                               QString::fromLatin1(f.comm->written().toPercentEncoding()));
}

}  // namespace

// The windows beside the main one, and the program that shows and unloads them all.
class tst_ui_windows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every text of every window, compared exactly: "control=caption|tooltip" in the window's
    // order, the window's caption first; then the fonts the windows set.
    void textsOfTheWindows()
    {
        ProgramFixture f;
        f.program->start();
        f.open();
        f.program->declarations().CommPort = 256;  // shown although the list lacks it
        f.program->showSerialSet();
        f.program->showSerialSearch();
        f.program->showHelp();
        f.program->showAbout();
        Overflow overflow(1500000, 22050, 0);
        QWidget *signOn = f.program->signOnWindow();
        QString rows;
        for (int i = 0; i < 8; ++i)
            rows += QStringLiteral("optLoc%1=%2; txtMsg%1=|Memory Location %2 Contents; ").arg(i).arg(i + 1);
        const std::pair<QWidget *, QString> windows[]{
            {signOn, QStringLiteral(
                         "=Message Manager; lblCompany=Tavix Systems; lblCpyright=<notice>; "
                         "lblType=Transfering Wave Files; lblFor=for ; lblTitle=Tavix Message Manager; "
                         "lblVersion=<version>")},
            {f.window, QStringLiteral(
                           "=Tavix Message Manager; fraOptions=Options; cmbDelay0=|Memory Location 1 Delay "
                           "Before Playback; cmbMode=|Tavix Playback Mode; lblDelay=Trigger Delay (Sec.); "
                           "lblMode=Chime/Message Mode; frmOperation=Operation|Operate the Tavix remotely; "
                           "cmdExit=Exit|Exit the program; cmdAbort=Stop|Stop the current playback; "
                           "cmdPlay=Play|Play the selected Memory Location; prbLoading=0%; "
                           "fraMessage=Directory|Tavix Memory Contents; ")
                           + rows
                           + QStringLiteral(
                               "cmdChange=Update|Send a wave file to the selected Memory Location; "
                               "cmdErase=Erase|Erase the selected Memory Location; cmdDirectory=Refresh|"
                               "Request a Directory Update; Label1= Memory Location; lblSize=Memory   Usage; "
                               "lblTitle=File Name; mnuFile=&File; mnuFileOpen=&Open; mnuFileExit=&Exit; "
                               "mnuTools=&Tools; mnuToolsSetup=&Select Com Port; mnuToolsMfg=&Part ID; "
                               "mnuToolsErase=&Erase All; mnuToolsRead=&Read; mnuToolsClear=&Clear Com; "
                               "mnuToolsAutoreduce=&Auto Reduce; mnuHelp=&Help; mnuHelpAbout=&About; "
                               "mnuHelpHelp=&Instructions")},
            {f.program->serialSetWindow(),
             QStringLiteral("=Com Port Selection; fraPort=Com Port; cmbCommPort=256; lblDevice=No device "
                            "on this computer.; cmdPin=Pin|Keep this adapter on this number, whatever order "
                            "adapters are plugged in; cmdApply=Apply; cmdCancel=Cancel; mnuFile=&File; "
                            "mnuFileClose=&Close; mnuFileExit=&Exit")},
            {f.program->serialSearchWindow(),
             QStringLiteral("=Communication Port Search; lblSearch=Searching for Com Port  -  -  - ; "
                            "txtPort=1; cmdGo=Go")},
            {f.program->helpWindow(), QStringLiteral("=Help; txtScript=Text1; cmdClose=Close")},
            {f.program->aboutWindow(), QStringLiteral("=Tavix; lblName=Tavix Message Monitor; "
                                                      "lblVersion=<version>; lblCoprright=<notice>")},
            {overflow.window,
             QStringLiteral("=Wave File Overflow; mnuFile=&File; mnuFileClose=&Close; mnuFileExit=&Exit; "
                            "lblDescription=This wave file is large and will fill 2 memory locations; "
                            "cmdProceed=Proceed; lblConvert=This file can be converted to fit into 1 memory "
                            "location; cmdConvert=Down Sample; lblCancel=Cancel this operation and return to "
                            "the main screen; cmdCancel=Cancel")},
        };
        for (const auto &[window, texts] : windows)
            QCOMPARE(textsOf(window), QString(texts)
                                          .replace(QStringLiteral("<notice>"), MakerNotice)
                                          .replace(QStringLiteral("<version>"), versionText())
                                          .split(QStringLiteral("; ")));
        QStringList fonts;
        for (const auto &[window, name] : {std::pair{signOn, "lblCompany"}, {signOn, "lblType"},
                                           {signOn, "lblFor"}, {signOn, "lblTitle"},
                                           {windows[3].first, "lblSearch"}, {windows[4].first, "txtScript"},
                                           {windows[1].first, "fraOptions"}, {windows[1].first, "cmdExit"}})
            fonts << fontOf(child(window, QLatin1String(name)));
        QCOMPARE(fonts.join(u'/'), QStringLiteral("12 bold/14.25/9.75 bold italic/21.75 bold/9.75 bold/8.25/"
                                                  "-1 bold/-1"));
        QCOMPARE(signOn->palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(!child<QLabel>(signOn, QStringLiteral("imgLogo"))->pixmap().isNull());
        QVERIFY(child<QPlainTextEdit>(windows[4].first, QStringLiteral("txtScript"))->isReadOnly());
        // The sign-on's timer hands over to the start-up once, two seconds after it opened.
        auto *timer = child<QTimer>(signOn, QStringLiteral("tmrSignOn"));
        QVERIFY(timer->isActive() && timer->isSingleShot() && timer->interval() == 2000);
        QMetaObject::invokeMethod(timer, "timeout");
        QVERIFY(!timer->isActive() && !f.program->signOnWindow() && f.prompter->shown.last().question);
    }

    // What the system says of each adapter shows beside its number, greyed; the list follows
    // adapters plugged in and out while the window is open, the choice following its adapter;
    // Pin keeps an adapter on its number.
    void portListFollowsAdapters()
    {
        QTemporaryDir folder;
        const AppPaths paths = AppPaths::inFolder(folder.path());
        const SystemPort a{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("NS1 Bridge"), QStringLiteral("Norby"),
                           QStringLiteral("0001"), QStringLiteral("/dev/serial/by-id/usb-A")};
        const SystemPort b{QStringLiteral("/dev/ttyUSB1"), QStringLiteral("UX2 USB Serial"),
                           QStringLiteral("Lintel"), QStringLiteral("A10K"), QStringLiteral("/dev/serial/by-id/usb-B")};
        PortSystemStandIn system;
        system.list = {b, a};
        system.noPermission = {b.device};
        modDeclarations declarations;
        declarations.CommPort = 2;
        RecordingPrompter prompter;
        RecordingWindows windows;
        frmSerialSet window(declarations, paths, prompter, windows, system);
        window.Form_Load();
        QVERIFY(window.portTimer().isActive() && window.portTimer().interval() <= 1000);
        auto *list = child<QComboBox>(&window, QStringLiteral("cmbCommPort"));
        const auto row = [list](int row) -> QString {
            QStringList cells;
            for (int column = 0; column < 4; ++column)
                cells << list->model()->index(row, column).data().toString();
            return cells.join(u'|');
        };
        const auto shown = [&]() -> QString {
            return list->currentText() + u'/' + row(1) + u'/' + row(2) + u'/'
                   + child<QPushButton>(&window, QStringLiteral("cmdPin"))->text();
        };
        QCOMPARE(QString::number(list->count()) + u'/' + row(0) + u'/' + row(255),
                 QStringLiteral("256/Auto|search all ports||/255|||"));
        QCOMPARE(list->model()->index(2, 1).data(Qt::ForegroundRole).value<QBrush>(),
                 window.palette().brush(QPalette::Disabled, QPalette::Text));
        QStringList seen{shown()};
        system.list = {b};
        window.refreshPorts();
        seen << shown();
        press(&window, QStringLiteral("cmdPin"));
        seen << shown();
        const QString b1 = QStringLiteral("UX2 USB Serial, Lintel, serial A10K|");
        QCOMPARE(seen, (QStringList{QStringLiteral("2/1|/dev/ttyUSB0|NS1 Bridge, Norby, serial 0001|/2|/dev/ttyUSB1|")
                                        + b1 + QStringLiteral("no permission (group dialout)/Pin"),
                                    QStringLiteral("1/1|/dev/ttyUSB1|") + b1 + QStringLiteral("no permission (group "
                                                                                               "dialout)/2|||/Pin"),
                                    QStringLiteral("1/1|/dev/serial/by-id/usb-B|") + b1
                                        + QStringLiteral("pinned/2|||/Unpin")}));
        QVERIFY(prompter.shown.isEmpty());
    }

    // Apply stores the port and reloads the main window on it, or opens it after the start-up
    // question; Cancel and Close change nothing, or end the program when no window is left.
    // Exit chosen while the new window's load shows its message ends the program there.
    void portSelectionChoices_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("mainFirst");
        QTest::addColumn<QString>("after");
        const auto row = [](const char *name, const char *how, const char *typed, bool mainFirst, const char *after) {
            QTest::newRow(name) << QString::fromLatin1(how) << QString::fromLatin1(typed) << mainFirst
                                << QString::fromLatin1(after);
        };
        const char *applied = "BaudRate=460800 CommPort=3 |main window on port 3 open: q%0D|";
        const char *nothing = "<missing>|same main window|";
        row("Apply", "cmdApply", "3", true, applied);
        row("Apply after the start-up question", "cmdApply", "3", false, applied);
        row("Cancel", "cmdCancel", "9", true, nothing);
        row("File, Close", "mnuFileClose", "9", true, nothing);
        row("close control", "close", "9", true, nothing);
        row("Cancel after the start-up question", "cmdCancel", "9", false, "<missing>|no main window||ends");
        row("File, Exit", "mnuFileExit", "9", true, "<missing>|no main window||ends");
        row("Apply a port without the unit, Exit at its message", "cmdApply", "4", true,
            "BaudRate=460800 CommPort=4 |no main window|Communications Error, check Com Port!|ends");
    }
    void portSelectionChoices()
    {
        QFETCH(QString, how);
        QFETCH(QString, typed);
        QFETCH(bool, mainFirst);
        QFETCH(QString, after);
        ProgramFixture f(3);
        const QPointer<frmMain1> first = mainFirst ? f.open() : nullptr;
        f.program->showSerialSet();
        f.program->showSerialSet();  // the one window again
        const QPointer<frmSerialSet> window = f.program->serialSetWindow();
        QCOMPARE(QApplication::topLevelWidgets().count(window), 1);
        f.prompter->shown.clear();
        f.prompter->whileShown = [&] { press(window, QStringLiteral("mnuFileExit")); };
        child<QComboBox>(window, QStringLiteral("cmbCommPort"))->setEditText(typed);
        const auto choose = [&] { how == u"close" ? void(window->close()) : press(window, how); };
        // The program's end is seen only as the end of its event loop.
        const bool ends = after.endsWith(u"|ends") && runEventLoop(choose) == 0;
        if (!after.endsWith(u"|ends"))
            choose();
        QCOMPARE(settingsAndMainWindow(f, first) + u'|' + f.prompter->texts().join(u'/')
                     + (ends ? QStringLiteral("|ends") : QString()),
                 after);
        QVERIFY(!f.program->serialSetWindow());
        deleteUnloaded();
        QVERIFY(!window);
    }

    // The search's ends: the unit found and handed over, no unit, its window closed while it
    // runs, the main window it works on unloaded meanwhile by a port applied or a reload.
    void searchEnds_data()
    {
        QTest::addColumn<int>("unitPort");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("after");
        const QString searching = QStringLiteral("Searching for Com Port  -  -  - |");
        QTest::newRow("found, handed over") << 2 << QString()
            << QStringLiteral("Tavix Found!|2||BaudRate=460800 CommPort=2 |main window on port 2 open: q%0D");
        QTest::newRow("no unit") << 300 << QString()
            << searching
                   + QStringLiteral("255|Cannot Find Tavix, make sure unit is conected!|<missing>|same main window");
        QTest::newRow("window closed")
            << 200 << QStringLiteral("close") << searching + QStringLiteral("1||<missing>|same main window");
        QTest::newRow("port applied, the unit on it") << 7 << QStringLiteral("7")
            << searching + QStringLiteral("7||BaudRate=460800 CommPort=7 |main window on port 7 open: q%0D");
        QTest::newRow("port applied at the last port") << 300 << QStringLiteral("255")
            << searching + QStringLiteral("255|Communications Error, check Com Port!|BaudRate=460800 CommPort=255 |"
                                          "main window on port 255: ");
        QTest::newRow("reloaded, searching again") << 5 << QStringLiteral("reload")
            << searching + QStringLiteral("1||<missing>|main window on port 0: |new search");
    }
    void searchEnds()
    {
        QFETCH(int, unitPort);
        QFETCH(QString, meanwhile);
        QFETCH(QString, after);
        ProgramFixture f(static_cast<qint16>(unitPort));
        const QPointer<frmSerialSearch> window = f.startSearch();
        frmMain1 *first = f.window;
        if (meanwhile == u"close") {
            QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
        } else if (meanwhile == u"reload") {
            QTimer::singleShot(0, [&] {
                f.program->declarations().AutoSearchPending = true;
                f.program->reloadMainWindow();
                f.program->showSerialSearch();
            });
        } else if (!meanwhile.isEmpty()) {
            f.program->showSerialSet();
            f.program->declarations().CommPort = meanwhile.toShort();
            QTimer::singleShot(0, [&] { applyPort(f.program->serialSetWindow(), meanwhile); });
        }
        window->search().Timer1_Timer();  // arrives while the search lets events run
        QStringList seen{caption(child(window, QStringLiteral("lblSearch"))),
                         caption(child(window, QStringLiteral("txtPort"))), f.prompter->texts().join(u'/')};
        if (window->search().timer2().isActive())
            window->search().Timer2_Timer();  // two seconds later
        seen << settingsAndMainWindow(f, first);
        if (f.program->serialSearchWindow())
            seen << QStringLiteral("new search");
        QCOMPARE(seen.join(u'|'), after);
        QVERIFY(f.program->serialSearchWindow() != window);
        deleteUnloaded();
        QVERIFY(!window);
    }

    // A reload asked for while a command of the main window waits in a nested event loop (a
    // box, the file dialog, the overflow dialog, a transfer letting events run) comes only once
    // that command has returned: the command ends on its own window and port, and the new
    // window's probe never lands in the middle of its exchanges. Exit chosen meanwhile ends the
    // program, the sign-on's start-up included, without the command going on against a window
    // or a port that are gone.
    void reloadWaitsForTheRunningCommand_data()
    {
        QTest::addColumn<QString>("wait");
        QTest::addColumn<QString>("reload");
        QTest::addColumn<QString>("endStatus");  // of the old window, once its command has ended
        const auto row = [](const char *name, const char *wait, const char *reload, const char *end) {
            QTest::newRow(name) << QString::fromLatin1(wait) << QString::fromLatin1(reload)
                                << QString::fromLatin1(end);
        };
        row("Apply while the overflow dialog waits", "overflow", "Apply", "Ready!");
        row("Auto while the Erase All question waits", "question", "Auto", "All memory locations are erased!");
        row("search hand-over while the file dialog waits", "file dialog", "hand-over", "20000 bytes sent");
        row("Timer5, then Apply, while the file dialog waits", "file dialog", "Timer5", "Communication Error!");
        row("Apply during an upload", "transfer", "Apply", "20000 bytes sent");
        row("Exit while the file dialog waits", "file dialog", "Exit", "");
        row("Exit during an upload", "transfer", "Exit", "");
        row("Exit during a directory read", "read", "Exit", "");
    }
    void reloadWaitsForTheRunningCommand()
    {
        QFETCH(QString, wait);
        QFETCH(QString, reload);
        QFETCH(QString, endStatus);
        const bool timer5 = reload == u"Timer5";
        // Exit in an earlier test ended the event loops; Qt refuses nested ones until the main
        // loop has run again.
        runEventLoop([] { QCoreApplication::exit(0); });
        // For Timer5 the load fails on port 1 and the unit is on port 2.
        ProgramFixture f(timer5 ? 2 : 1);
        if (reload == u"hand-over") {
            PortSearch &search = f.startSearch()->search();
            search.Timer1_Timer();   // found; the hand-over comes two seconds later
            search.timer2().stop();  // this test calls it instead
        } else {
            if (reload == u"Exit")
                f.program->start();
            f.open();
        }
        for (int location = 4; location < 8; ++location)
            f.unit.store(location, storedMessage("Message", 8000));
        const QPointer<frmMain1> old = f.program->mainWindow();
        old->controller().timers().Timer3.stop();
        if (reload == u"Apply" || reload == u"Auto")
            f.program->showSerialSet();  // not modal: it stays open beside the main window
        const QString path = f.writeWave(wait == u"overflow" ? 1200000 : 20000);
        if (!timer5)
            f.prompter->files << path;

        bool replacedInside = true;
        const auto requestReload = [&] {
            if (reload == u"Exit")
                return press(old, QStringLiteral("mnuFileExit"));
            if (reload == u"hand-over") {
                f.program->serialSearchWindow()->search().Timer2_Timer();
            } else {
                if (timer5)
                    old->controller().Timer5_Timer();  // as the timer does when it fires now
                applyPort(f.program->serialSetWindow(), reload == u"Auto" ? QStringLiteral("Auto")
                                                        : timer5          ? QStringLiteral("2")
                                                                          : QStringLiteral("1"));
            }
            replacedInside = f.program->mainWindow() != old.data();
        };
        if (wait == u"overflow") {
            QTimer::singleShot(0, [&] {
                requestReload();
                // The user answers later, after the deferred deletes of this loop have run.
                QTimer::singleShot(0, [] {
                    for (QWidget *w : QApplication::topLevelWidgets())
                        if (w->objectName() == u"frmOverflow" && w->isVisible())
                            press(w, QStringLiteral("cmdCancel"));
                });
            });
        } else if (wait == u"transfer" || wait == u"read") {
            QTimer::singleShot(0, old, requestReload);
        } else {
            f.prompter->whileShown = requestReload;
            f.prompter->answers << true;
        }
        press(old, wait == u"question" ? QStringLiteral("mnuToolsErase")
                   : wait == u"read"   ? QStringLiteral("cmdDirectory")
                                       : QStringLiteral("cmdChange"));
        QVERIFY(old);
        if (reload == u"Exit") {
            QVERIFY(f.program->exiting() && !f.program->mainWindow() && !f.program->signOnWindow());
            QVERIFY(!f.comm->PortOpen() && f.prompter->shown.isEmpty());
            deleteUnloaded();
            QVERIFY(!old);
            return;
        }
        QVERIFY(!replacedInside);
        QCOMPARE(f.program->mainWindow(), old.data());
        QCOMPARE(old->status(), endStatus);
        if (endStatus.endsWith(u"sent"))
            QCOMPARE(f.unit.messageAt(0)->audio.size(), 20000);
        // The reload comes once the command has returned to the event loop.
        QCoreApplication::processEvents();
        frmMain1 *fresh = f.program->mainWindow();
        QVERIFY(fresh && fresh != old.data() && fresh->isVisible());
        QCOMPARE(f.comm->written(), reload == u"Auto" ? QByteArray() : QByteArray("q\r"));
        QCOMPARE(fresh->controller().timers().Timer3.isActive(), reload == u"Auto");
        deleteUnloaded();
        QVERIFY(!old);
    }

    // The overflow dialog: the rows it shows, where the focus starts, and each way to answer.
    void overflowChoices_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("location");
        QTest::addColumn<QString>("shown");  // the controls shown; '*' marks the focus
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("after");  // OverflowChoice, DataSize, answers, exits
        const QString all = QStringLiteral("lblDescription *cmdProceed lblConvert cmdConvert lblCancel cmdCancel");
        const auto row = [](const char *name, int size, int rate, int location, const QString &shown, const char *how,
                            const char *after) {
            QTest::newRow(name) << size << rate << location << shown << QString::fromLatin1(how)
                                << QString::fromLatin1(after);
        };
        row("Proceed", 1500000, 22050, 0, all, "cmdProceed", "Proceed 1500000 1 0");
        row("Down Sample", 1500000, 22050, 0, all, "cmdConvert", "Convert 750000 1 0");
        row("Cancel", 1500000, 22050, 0, all, "cmdCancel", "Cancel 1500000 1 0");
        row("File, Close", 1500000, 22050, 0, all, "mnuFileClose", "Cancel 1500000 1 0");
        row("close control", 1500000, 22050, 0, all, "close", "Cancel 1500000 1 0");
        row("File, Exit leaves the command waiting", 1500000, 22050, 0, all, "mnuFileExit", "Wait 1500000 0 1");
        row("does not fit the rest: no Proceed", 1500000, 22050, 7,
            QStringLiteral("lblConvert *cmdConvert lblCancel cmdCancel"), "cmdConvert", "Convert 750000 1 0");
        row("low rate: no Down Sample", 1200000, 8000, 6,
            QStringLiteral("lblDescription *cmdProceed lblCancel cmdCancel"), "cmdProceed", "Proceed 1200000 1 0");
    }
    void overflowChoices()
    {
        QFETCH(int, size);
        QFETCH(int, rate);
        QFETCH(int, location);
        QFETCH(QString, shown);
        QFETCH(QString, how);
        QFETCH(QString, after);
        Overflow s(size, rate, location);
        QVERIFY(QTest::qWaitForWindowExposed(s.window));
        QStringList visible;
        for (const char *name : {"lblDescription", "cmdProceed", "lblConvert", "cmdConvert", "lblCancel", "cmdCancel"}) {
            const QWidget *control = child(s.window, QLatin1String(name));
            if (control->isVisible())
                visible << (control == QApplication::focusWidget() ? u"*" : u"") + QLatin1String(name);
        }
        QCOMPARE(visible.join(u' '), shown);
        how == u"close" ? void(s.window->close()) : press(s.window, how);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(s.decl.OverflowChoice).arg(s.decl.DataSize).arg(s.answers)
                     .arg(s.exits),
                 after);
        if (s.answers)
            QTRY_VERIFY(!s.window);  // unloaded
    }

    // help.txt shown whole, its line ends as lines; without it a message and "Text1". Each
    // window opens once, goes when closed, and is loaded afresh when opened again.
    void helpAndAbout_data()
    {
        QTest::addColumn<QByteArray>("bytes");  // of help.txt; "<none>": no file; "<about>": the about window
        QTest::addColumn<QString>("shown");
        QTest::newRow("lines") << QByteArray("One\r\nTwo\rThree\n\nFive") << QStringLiteral("One\nTwo\nThree\n\nFive");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("missing") << QByteArray("<none>") << QStringLiteral("Text1");
        QTest::newRow("about") << QByteArray("<about>") << QString();
    }
    void helpAndAbout()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        ProgramFixture f;
        if (!bytes.startsWith('<'))
            QVERIFY(f.writeFile(f.paths().helpFile, bytes));
        const bool about = bytes == "<about>";
        const auto current = [&]() -> QWidget * {
            return about ? static_cast<QWidget *>(f.program->aboutWindow()) : f.program->helpWindow();
        };
        press(f.open(), about ? QStringLiteral("mnuHelpAbout") : QStringLiteral("mnuHelpHelp"));
        const QPointer<QWidget> window = current();
        QVERIFY(window && window->isVisible());
        if (!about)
            QCOMPARE(caption(child(window, QStringLiteral("txtScript"))), shown);
        const QStringList message(bytes == "<none>" ? 1 : 0, QStringLiteral("No Instructions Available!"));
        QCOMPARE(f.prompter->texts(), message);
        about ? f.program->showAbout() : f.program->showHelp();
        QCOMPARE(current(), window.data());
        QCOMPARE(f.prompter->texts(), message);
        about ? void(window->close()) : press(window, QStringLiteral("cmdClose"));  // about has no button
        QVERIFY(!current());
        deleteUnloaded();
        QVERIFY(!window);
        about ? f.program->showAbout() : f.program->showHelp();
        QCOMPARE(f.prompter->texts(), message + message);
    }
};

QTEST_MAIN(tst_ui_windows)
#include "tst_ui_windows.moc"
