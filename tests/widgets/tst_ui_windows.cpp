#include "protocol/UploadSizes.h"
#include "settings/Version.h"
#include "support/ProgramFixture.h"
#include "support/PortSystemStandIn.h"
#include "support/RecordingWindows.h"
#include "support/UnitFaults.h"
#include "widgets/frmOverflow.h"
#include "widgets/frmSerialSet.h"
#include "widgets/frmSignOn.h"

#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QPointer>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

// A control's text as the user reads it, then its tooltip after '|' when it has one.
QString caption(const QObject *object)
{
    const auto *widget = qobject_cast<const QWidget *>(object);
    if (widget && widget->isWindow() && !qobject_cast<const QMenu *>(object))
        return widget->windowTitle();
    QString text; // each kind of control has one of these
    for (const char *property : { "text", "title", "currentText", "plainText" })
        text += object->property(property).toString();
    return widget && !widget->toolTip().isEmpty() ? text + u'|' + widget->toolTip() : text;
}

// "name=caption" of every named control showing a text, in the window's order, its caption first.
QStringList textsOf(const QWidget *window)
{
    QStringList texts { u'=' + caption(window) };
    for (const QObject *object : window->findChildren<QObject *>()) {
        const QString name = object->objectName();
        if (!name.isEmpty() && !name.startsWith(u'_') && !name.startsWith(u"qt_")
            && !caption(object).isEmpty())
            texts << name + u'=' + caption(object);
    }
    return texts;
}

// An overflow dialog on its own, for a file of `size` bytes at `rate` into `location`.
struct Overflow {
    Overflow(qint32 size, qint32 rate, int location)
    {
        decl.SampleRate = rate;
        decl.ReduceSteps = 1;
        setDataSize(decl, size);
        decl.OverflowChoice = u"Wait"_s;
        window = new frmOverflow(
            decl, location, [this] { ++answers; }, [this] { ++exits; });
        window->show();
    }
    ~Overflow() { delete window.data(); }
    modDeclarations decl;
    QPointer<frmOverflow> window;
    int answers = 0;
    int exits = 0;
};

// setup.txt, then the main window the program has now against the one a test started with.
QString settingsAndMainWindow(ProgramFixture &f, const frmMain1 *first)
{
    const QString settings = QString::fromLatin1(f.settings()).replace(u"\r\n"_s, u" "_s);
    const frmMain1 *now = f.program->mainWindow();
    if (!now || now == first)
        return settings + (now ? u"|same main window"_s : u"|no main window"_s);
    return settings
        + u"|main window on port %1%2: %3"_s.arg(f.comm->PortNumber())
              .arg(f.comm->PortOpen() ? u" open"_s : QString(),
                  QString::fromLatin1(f.comm->written().toPercentEncoding()));
}

} // namespace

// The windows beside the main one, and the program that shows and unloads them all.
class tst_ui_windows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every text of every window, exactly: "control=caption|tooltip" in the window's order.
    void textsOfTheWindows()
    {
        ProgramFixture f;
        f.program->start();
        f.open();
        f.program->declarations().CommPort = 256; // shown although the list lacks it
        f.program->showSerialSet();
        f.program->showSerialSearch();
        f.program->showHelp();
        f.program->showAbout();
        Overflow overflow(1500000, 22050, 0);
        QWidget *signOn = f.program->signOnWindow();
        QString rows;
        for (int i = 0; i < 8; ++i)
            rows += u"optLoc%1=%2; txtMsg%1=|Memory Location %2 Contents; "_s.arg(i).arg(i + 1);
        const std::pair<QWidget *, QString> windows[] {
            { signOn,
                u"=Message Manager; lblCompany=Tavix Systems; lblCpyright=<notice>; "
                "lblType=Transfering Wave Files; lblFor=for ; lblTitle=Tavix Message Manager; "
                "lblVersion=<version>"_s },
            { f.window,
                u"=Tavix Message Manager; fraOptions=Options; cmbDelay0=|Memory Location 1 Delay "
                "Before Playback; cmbMode=|Tavix Playback Mode; lblDelay=Trigger Delay (Sec.); "
                "lblMode=Chime/Message Mode; frmOperation=Operation|Operate the Tavix remotely; "
                "cmdExit=Exit|Exit the program; cmdAbort=Stop|Stop the current playback; "
                "cmdPlay=Play|Play the selected Memory Location; prbLoading=0%; "
                "fraMessage=Directory|Tavix Memory Contents; "_s
                    + rows
                    + u"cmdChange=Update|Send a wave file to the selected Memory Location; "
                      "cmdErase=Erase|Erase the selected Memory Location; "
                      "cmdDirectory=Refresh|Request a Directory Update; Label1= Memory Location; "
                      "lblSize=Memory   Usage; lblTitle=File Name; mnuFile=&File; "
                      "mnuFileOpen=&Open; mnuFileExit=&Exit; mnuTools=&Tools; "
                      "mnuToolsSetup=&Select Com Port; mnuToolsMfg=&Part ID; "
                      "mnuToolsErase=&Erase All; mnuToolsRead=&Read; mnuToolsClear=&Clear Com; "
                      "mnuToolsAutoreduce=&Auto Reduce; mnuHelp=&Help; mnuHelpAbout=&About; "
                      "mnuHelpHelp=&Instructions"_s },
            { f.program->serialSetWindow(),
                u"=Com Port Selection; fraPort=Com Port; cmbCommPort=256; "
                "lblDevice=No device on this computer.; cmdPin=Pin|Keep this adapter on this "
                "number, whatever order adapters are plugged in; cmdApply=Apply; "
                "cmdCancel=Cancel; mnuFile=&File; mnuFileClose=&Close; mnuFileExit=&Exit"_s },
            { f.program->serialSearchWindow(),
                u"=Communication Port Search; lblSearch=Searching for Com Port  -  -  - ; "
                "txtPort=1; cmdGo=Go"_s },
            { f.program->helpWindow(), u"=Help; txtScript=Text1; cmdClose=Close"_s },
            { f.program->aboutWindow(),
                u"=Tavix; lblName=Tavix Message Monitor; lblVersion=<version>; "
                "lblCoprright=<notice>"_s },
            { overflow.window,
                u"=Wave File Overflow; mnuFile=&File; mnuFileClose=&Close; mnuFileExit=&Exit; "
                "lblDescription=This wave file is large and will fill 2 memory locations; "
                "cmdProceed=Proceed; lblConvert=This file can be converted to fit into 1 memory "
                "location; cmdConvert=Down Sample; lblCancel=Cancel this operation and return "
                "to the main screen; cmdCancel=Cancel"_s },
        };
        for (const auto &[window, texts] : windows)
            QCOMPARE(textsOf(window),
                QString(texts)
                    .replace(u"<notice>"_s, MakerNotice)
                    .replace(u"<version>"_s, versionText())
                    .split(u"; "_s));
        // The sign-on's timer hands over to the start-up once, two seconds after it opened.
        auto *timer = child<QTimer>(signOn, u"tmrSignOn"_s);
        QVERIFY(timer->isActive() && timer->isSingleShot() && timer->interval() == 2000);
        QMetaObject::invokeMethod(timer, "timeout");
        QVERIFY(
            !timer->isActive() && !f.program->signOnWindow() && f.prompter->shown.last().question);
    }

    // Apply stores the port and reloads the main window on it, or opens it after the start-up
    // question; Cancel and Close change nothing, or end the program when no window is left;
    // Exit chosen at the message of the load that Apply started ends the program there.
    void portSelectionChoices_data()
    {
        // control|typed|main window first|setup.txt|main window|boxes[|ends]
        QTest::addColumn<QString>("row");
        for (const char *row :
            { "cmdApply|3|1|BaudRate=460800 CommPort=3 |main window on port 3 open: q%0D|",
                "cmdApply|3|0|BaudRate=460800 CommPort=3 |main window on port 3 open: q%0D|",
                "cmdCancel|9|1|<missing>|same main window|",
                "mnuFileClose|9|1|<missing>|same main window|",
                "close|9|1|<missing>|same main window|",
                "cmdCancel|9|0|<missing>|no main window||ends",
                "mnuFileExit|9|1|<missing>|no main window||ends",
                "cmdApply|4|1|BaudRate=460800 CommPort=4 |no main window|Communications Error, "
                "check Com Port!|ends" })
            QTest::newRow(row) << QString::fromLatin1(row);
    }
    void portSelectionChoices()
    {
        QFETCH(QString, row);
        const QStringList in = row.split(u'|');
        ProgramFixture f(3);
        const QPointer<frmMain1> first = in[2] == u"1" ? f.open() : nullptr;
        f.program->showSerialSet();
        f.program->showSerialSet(); // the one window again
        const QPointer<frmSerialSet> window = f.program->serialSetWindow();
        QCOMPARE(QApplication::topLevelWidgets().count(window), 1);
        f.prompter->shown.clear();
        f.prompter->whileShown = [&] { press(window, u"mnuFileExit"_s); };
        child<QComboBox>(window, u"cmbCommPort"_s)->setEditText(in[1]);
        // The program's end is seen only as the end of its event loop.
        const bool ends = row.endsWith(u"|ends");
        const int code
            = ends ? runEventLoop([&] { press(window, in[0]); }) : (press(window, in[0]), 0);
        QCOMPARE(in.mid(0, 3).join(u'|') + u'|' + settingsAndMainWindow(f, first) + u'|'
                + f.prompter->texts().join(u'/') + (ends && code == 0 ? u"|ends"_s : QString()),
            row);
        QVERIFY(!f.program->serialSetWindow());
        deleteUnloaded();
        QVERIFY(!window);
    }

    // Each adapter shows beside its number what the system says of it, greyed; the list follows
    // adapters plugged in and out while the window is open, the choice following its adapter,
    // and Pin keeps an adapter on its number.
    void portListFollowsAdapters()
    {
        QTemporaryDir folder;
        const SystemPort a { u"/dev/ttyUSB0"_s, u"NS1 Bridge"_s, u"Norby"_s, u"0001"_s,
            u"/dev/serial/by-id/usb-A"_s };
        const SystemPort b { u"/dev/ttyUSB1"_s, u"UX2"_s, u"Lintel"_s, u"A10K"_s,
            u"/dev/serial/by-id/usb-B"_s };
        PortSystemStandIn system;
        system.list = { b, a };
        system.noPermission = { b.device };
        modDeclarations declarations;
        declarations.CommPort = 2;
        RecordingPrompter prompter;
        RecordingWindows windows;
        frmSerialSet window(
            declarations, AppPaths::inFolder(folder.path()), prompter, windows, system);
        window.Form_Load();
        QVERIFY(window.portTimer().isActive() && window.portTimer().interval() <= 1000);
        auto *list = child<QComboBox>(&window, u"cmbCommPort"_s);
        const auto row = [list](int row) {
            QStringList cells;
            for (int column = 0; column < 4; ++column)
                cells << list->model()->index(row, column).data().toString();
            return cells.join(u'|');
        };
        QStringList seen { QString::number(list->count()) + u'/' + row(0) + u'/' + row(255) };
        const auto look = [&] {
            seen << list->currentText() + u'/' + row(1) + u'/' + row(2) + u'/'
                    + child(&window, u"cmdPin"_s)->property("text").toString();
        };
        QCOMPARE(list->model()->index(2, 1).data(Qt::ForegroundRole).value<QBrush>(),
            window.palette().brush(QPalette::Disabled, QPalette::Text));
        look();
        system.list = { b };
        window.refreshPorts();
        look();
        press(&window, u"cmdPin"_s);
        look();
        QCOMPARE(seen.join(u'\n').replace(u"UX2, Lintel, serial A10K"_s, u"B"_s).split(u'\n'),
            QStringList({ u"256/Auto|search all ports||/255|||"_s,
                u"2/1|/dev/ttyUSB0|NS1 Bridge, Norby, serial 0001|/2|/dev/ttyUSB1|B|"
                "no permission (group dialout)/Pin"_s,
                u"1/1|/dev/ttyUSB1|B|no permission (group dialout)/2|||/Pin"_s,
                u"1/1|/dev/serial/by-id/usb-B|B|pinned/2|||/Unpin"_s }));
        QVERIFY(prompter.shown.isEmpty());
    }

    // A reload asked for while a main window command waits in a nested event loop comes only
    // once that command has returned; Exit meanwhile ends the program without the command going
    // on against a window or port that are gone (each row once caught a deleted window).
    void reloadWaitsForTheRunningCommand_data()
    {
        QTest::addColumn<QString>("row"); // what waits|what reloads|the old window's status after
        for (const char *row :
            { "overflow|Apply|Ready!", "question|Auto|All memory locations are erased!",
                "file dialog|hand-over|20000 bytes sent", "transfer|Exit|", "read|Exit|" })
            QTest::newRow(row) << QString::fromLatin1(row);
    }
    void reloadWaitsForTheRunningCommand()
    {
        QFETCH(QString, row);
        const QString wait = row.section(u'|', 0, 0);
        const QString reload = row.section(u'|', 1, 1);
        // Exit in an earlier row ended the event loops; Qt refuses nested ones until the main
        // loop ran again.
        runEventLoop([] { QCoreApplication::exit(0); });
        ProgramFixture f;
        if (reload == u"hand-over") {
            PortSearch &search = f.startSearch()->search();
            search.Timer1_Timer(); // found; the hand-over comes two seconds later
            search.timer2().stop(); // this test calls it instead
        } else {
            if (reload == u"Exit")
                f.program->start();
            f.open();
        }
        if (reload == u"Apply" || reload == u"Auto")
            f.program->showSerialSet(); // not modal: it stays open beside the main window
        for (int location = 4; location < 8; ++location)
            f.unit.store(location, storedMessage("Message", 8000));
        const QPointer<frmMain1> old = f.program->mainWindow();
        old->controller().timers().Timer3.stop();
        f.prompter->files << f.writeWave(wait == u"overflow" ? 1200000 : 20000);
        bool replacedInside = true;
        const auto requestReload = [&] {
            if (reload == u"Exit")
                return press(old, u"mnuFileExit"_s);
            if (reload == u"hand-over") {
                f.program->serialSearchWindow()->search().Timer2_Timer();
            } else {
                QWidget *ports = f.program->serialSetWindow();
                child<QComboBox>(ports, u"cmbCommPort"_s)
                    ->setEditText(reload == u"Auto" ? u"Auto"_s : u"1"_s);
                press(ports, u"cmdApply"_s);
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
                            press(w, u"cmdCancel"_s);
                });
            });
        } else if (wait == u"transfer" || wait == u"read") {
            QTimer::singleShot(0, old, requestReload);
        } else {
            f.prompter->whileShown = requestReload;
            f.prompter->answers << true;
        }
        press(old,
            wait == u"question"   ? u"mnuToolsErase"_s
                : wait == u"read" ? u"cmdDirectory"_s
                                  : u"cmdChange"_s);
        QVERIFY(old);
        if (reload == u"Exit") {
            QVERIFY(f.program->exiting() && !f.program->mainWindow() && !f.program->signOnWindow());
            QVERIFY(!f.comm->PortOpen() && f.prompter->shown.isEmpty());
            deleteUnloaded();
            QVERIFY(!old);
            return;
        }
        QVERIFY(!replacedInside && f.program->mainWindow() == old.data());
        QCOMPARE(wait + u'|' + reload + u'|' + old->status(), row);
        if (row.endsWith(u"sent"))
            QCOMPARE(f.unit.messageAt(0)->audio.size(), 20000);
        QCoreApplication::processEvents(); // the reload comes once the command has returned
        frmMain1 *fresh = f.program->mainWindow();
        QVERIFY(fresh && fresh != old.data() && fresh->isVisible());
        QCOMPARE(f.comm->written(), reload == u"Auto" ? QByteArray() : QByteArray("q\r"));
        QCOMPARE(fresh->controller().timers().Timer3.isActive(), reload == u"Auto");
        deleteUnloaded();
        QVERIFY(!old);
    }

    // The overflow dialog: the controls it shows ('*': the focus), each way to answer, and then
    // OverflowChoice, DataSize, answers and exits.
    void overflowChoices_data()
    {
        QTest::addColumn<QString>("row"); // size rate location|shown|control|after
        const QString all
            = u"lblDescription *cmdProceed lblConvert cmdConvert lblCancel cmdCancel"_s;
        for (const QString &row : { u"1500000 22050 0|all|cmdProceed|Proceed 1500000 1 0"_s,
                 u"1500000 22050 0|all|cmdConvert|Convert 750000 1 0"_s,
                 u"1500000 22050 0|all|cmdCancel|Cancel 1500000 1 0"_s,
                 u"1500000 22050 0|all|mnuFileClose|Cancel 1500000 1 0"_s,
                 u"1500000 22050 0|all|close|Cancel 1500000 1 0"_s,
                 u"1500000 22050 0|all|mnuFileExit|Wait 1500000 0 1"_s, // the command waits on
                 u"1500000 22050 7|lblConvert *cmdConvert lblCancel cmdCancel|cmdConvert|"
                 "Convert 750000 1 0"_s,
                 u"1200000 8000 6|lblDescription *cmdProceed lblCancel cmdCancel|cmdProceed|"
                 "Proceed 1200000 1 0"_s })
            QTest::newRow(qPrintable(row)) << QString(row).replace(u"|all|"_s, u'|' + all + u'|');
    }
    void overflowChoices()
    {
        QFETCH(QString, row);
        const QStringList in = row.split(u'|');
        const QStringList file = in[0].split(u' ');
        Overflow s(file[0].toInt(), file[1].toInt(), file[2].toInt());
        QVERIFY(QTest::qWaitForWindowExposed(s.window));
        QStringList visible;
        for (const QString &name :
            u"lblDescription cmdProceed lblConvert cmdConvert lblCancel cmdCancel"_s.split(u' '))
            if (const QWidget *control = child(s.window, name); control->isVisible())
                visible << (control == QApplication::focusWidget() ? u"*"_s : QString()) + name;
        press(s.window, in[2]);
        const QString after = u"%1 %2 %3 %4"_s.arg(s.decl.OverflowChoice)
                                  .arg(s.decl.DataSize)
                                  .arg(s.answers)
                                  .arg(s.exits);
        QCOMPARE(QStringList({ in[0], visible.join(u' '), in[2], after }).join(u'|'), row);
        if (s.answers)
            QTRY_VERIFY(!s.window); // unloaded
    }
};

QTEST_MAIN(tst_ui_windows)
#include "tst_ui_windows.moc"
