#include "support/ProgramFixture.h"
#include "widgets/LockableComboBox.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

namespace {

template <typename T = QWidget>
T *control(QWidget *window, const QString &name)
{
    return window->findChild<T *>(name);
}

QStringList names(const char *list)
{
    return QString::fromLatin1(list).split(u' ');
}

QStringList itemsOf(QComboBox *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

// What a target of the busy and idle tables looks like to the user.
QString stateOf(QWidget *window, const QString &target)
{
    if (target == u"pointer")
        return window->cursor().shape() == Qt::WaitCursor ? QStringLiteral("hourglass") : QStringLiteral("normal");
    if (auto *entry = window->findChild<QAction *>(target))
        return entry->isEnabled() ? QStringLiteral("enabled") : QStringLiteral("disabled");
    QWidget *widget = control(window, target);
    if (!widget)
        return QStringLiteral("missing");
    if (auto *combo = qobject_cast<LockableComboBox *>(widget)) {
        if (!combo->isEnabled())
            return QStringLiteral("greyed");
        return combo->isLocked() ? QStringLiteral("locked") : QStringLiteral("unlocked");
    }
    return widget->isEnabled() ? QStringLiteral("enabled") : QStringLiteral("disabled");
}

}  // namespace

// The main window's widgets, through the program that owns it, on the simulated unit.
class tst_ui_mainwindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<ProgramFixture>();
        m_window = m_fixture->open();
        QVERIFY(m_window);
    }
    void cleanup() { m_fixture.reset(); }

    void captionsAndTooltips_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("tooltip");
        const auto row = [](const char *name, const char *caption, const char *tooltip) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption)
                                << QString::fromLatin1(tooltip);
        };
        row("fraOptions", "Options", "");
        row("cmbDelay0", "", "Memory Location 1 Delay Before Playback");
        row("cmbMode", "", "Tavix Playback Mode");
        row("lblDelay", "Trigger Delay (Sec.)", "");
        row("lblMode", "Chime/Message Mode", "");
        row("frmOperation", "Operation", "Operate the Tavix remotely");
        row("cmdExit", "Exit", "Exit the program");
        row("cmdAbort", "Stop", "Stop the current playback");
        row("cmdPlay", "Play", "Play the selected Memory Location");
        row("fraMessage", "Directory", "Tavix Memory Contents");
        row("optLoc0", "1", "");
        row("optLoc7", "8", "");
        row("cmdChange", "Update", "Send a wave file to the selected Memory Location");
        row("cmdErase", "Erase", "Erase the selected Memory Location");
        row("cmdDirectory", "Refresh", "Request a Directory Update");
        row("txtMsg0", "", "Memory Location 1 Contents");
        row("txtMsg7", "", "Memory Location 8 Contents");
        row("Label1", " Memory Location", "");
        row("lblSize", "Memory   Usage", "");
        row("lblTitle", "File Name", "");
    }
    void captionsAndTooltips()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, tooltip);
        QWidget *widget = control(m_window, name);
        QVERIFY2(widget, qPrintable(name));
        auto *frame = qobject_cast<QGroupBox *>(widget);
        QCOMPARE(frame ? frame->title() : widget->property("text").toString(), caption);
        QCOMPARE(widget->toolTip(), tooltip);
    }

    // In the window's font every item of a drop-down list shows whole ("Interrupt" showed as
    // "nterrupt").
    void listItemsShowWhole()
    {
        const auto boxes = m_window->findChildren<QComboBox *>();
        QCOMPARE(boxes.size(), 2);
        for (const QComboBox *box : boxes) {
            const QLineEdit *edit = box->lineEdit();
            QVERIFY(edit);
            // A line edit keeps 2 pixels free on either side of its text.
            const int room = edit->contentsRect().width() - edit->textMargins().left()
                - edit->textMargins().right() - 2 * 2;
            for (int i = 0; i < box->count(); ++i) {
                const QString text = box->itemText(i);
                QVERIFY2(edit->fontMetrics().horizontalAdvance(text) <= room,
                    qPrintable(box->objectName() + QStringLiteral(": ") + text));
            }
        }
    }

    void clientAreaAndCaption()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Tavix Message Manager"));
        QCOMPARE(m_window->centralWidget()->size(), QSize(740, 355));
        QVERIFY(m_window->isVisible());
        // Centred on the screen it opened on.
        const QPoint screenCentre = m_window->screen()->availableGeometry().center();
        QVERIFY((m_window->frameGeometry().center() - screenCentre).manhattanLength() <= 2);
        for (const QString &frame : names("fraOptions frmOperation fraMessage"))
            QVERIFY(control(m_window, frame)->font().bold());
        // The frames' bold title is not passed on to what they hold.
        QVERIFY(!control(m_window, QStringLiteral("cmdExit"))->font().bold());
        QVERIFY(!control(m_window, QStringLiteral("txtMsg0"))->font().bold());
    }

    void barsInTheirPaletteColours()
    {
        const QList<QColor> colours{{255, 0, 0},   {255, 128, 0}, {255, 255, 0},   {0, 255, 0},
                                    {0, 192, 192}, {0, 0, 255},   {128, 128, 255}, {255, 0, 255}};
        for (int index = 0; index < 8; ++index) {
            QCOMPARE(m_window->barColor(index), colours[index].rgb() & 0xFFFFFF);
            m_window->setBarWidth(index, 800);
        }
        // What is on the screen: a full bar shows its colour over the outline.
        const QImage picture = m_window->grab().toImage();
        for (int index = 0; index < 8; ++index) {
            auto *outline = control(m_window, QStringLiteral("shpFrame%1").arg(index));
            QCOMPARE(QColor(picture.pixel(outline->mapTo(m_window, outline->rect().center()))), colours[index]);
        }
    }

    void barWidthInTwips()
    {
        auto *bar = control(m_window, QStringLiteral("shpFill2"));
        // The load empties every bar.
        QCOMPARE(m_window->barWidth(2), 0);
        QVERIFY(bar->isHidden());
        m_window->setBarWidth(2, 400);
        QCOMPARE(m_window->barWidth(2), 400);
        QVERIFY(!bar->isHidden());
        m_window->setBarWidth(2, 0);
        QVERIFY(bar->isHidden());
    }

    void menuEntries()
    {
        const QList<QStringList> menus{
            {QStringLiteral("mnuFile"), QStringLiteral("&File"), QStringLiteral("mnuFileOpen=&Open"),
             QStringLiteral("mnuFileExit=&Exit")},
            {QStringLiteral("mnuTools"), QStringLiteral("&Tools"), QStringLiteral("mnuToolsSetup=&Select Com Port"),
             QStringLiteral("mnuToolsMfg=&Part ID"), QStringLiteral("mnuToolsErase=&Erase All"),
             QStringLiteral("mnuToolsRead=&Read"), QStringLiteral("mnuToolsClear=&Clear Com"),
             QStringLiteral("mnuToolsAutoreduce=&Auto Reduce")},
            {QStringLiteral("mnuHelp"), QStringLiteral("&Help"), QStringLiteral("mnuHelpAbout=&About"),
             QStringLiteral("mnuHelpHelp=&Instructions")}};
        for (const QStringList &menu : menus) {
            auto *dropDown = m_window->findChild<QMenu *>(menu[0]);
            QVERIFY2(dropDown, qPrintable(menu[0]));
            QCOMPARE(dropDown->title(), menu[1]);
            QStringList shown;
            for (const QAction *action : dropDown->actions()) {
                if (!action->isSeparator() && action->isEnabled())
                    shown << action->objectName() + u'=' + action->text();
            }
            QCOMPARE(shown, menu.mid(2));
        }
        // Auto Reduce is a check mark, on at first.
        auto *autoReduce = m_window->findChild<QAction *>(QStringLiteral("mnuToolsAutoreduce"));
        QVERIFY(autoReduce->isCheckable());
        QVERIFY(m_window->autoReduceChecked());
        autoReduce->trigger();
        QVERIFY(!m_window->autoReduceChecked());
        autoReduce->trigger();
        QVERIFY(m_window->autoReduceChecked());
    }

    void keyboardOrder()
    {
        const QStringList expected = names("cmdDirectory optLoc0 optLoc1 optLoc2 optLoc3 optLoc4 optLoc5 optLoc6 "
                                           "optLoc7 cmdErase cmdChange cmdPlay cmdAbort cmdExit cmbMode cmbDelay0");
        // Every widget that Tab can reach, in the chain's order, starting at Refresh.
        QStringList chain;
        QWidget *start = control(m_window, expected.first());
        QWidget *widget = start;
        do {
            if (widget->focusPolicy() & Qt::TabFocus) {
                // An editable list's text part belongs to its list.
                QWidget *owner = qobject_cast<QComboBox *>(widget->parentWidget()) ? widget->parentWidget() : widget;
                if (!owner->objectName().isEmpty() && !chain.contains(owner->objectName()))
                    chain << owner->objectName();
            }
            widget = widget->nextInFocusChain();
        } while (widget != start);
        QCOMPARE(chain, expected);
    }

    // Busy turns each target to its first state, idle (as the window opens) to its second.
    void busyAndIdleStates()
    {
        const QStringList table = names("pointer=hourglass/normal cmdChange=disabled/enabled "
            "cmdDirectory=disabled/enabled cmdExit=disabled/enabled cmdPlay=disabled/enabled "
            "cmdErase=disabled/enabled cmdAbort=enabled/disabled cmbDelay0=locked/unlocked "
            "cmbMode=locked/unlocked optLoc5=enabled/enabled txtMsg5=enabled/enabled "
            "mnuToolsErase=enabled/enabled");
        for (int busy : { 0, 1, 0 }) {
            busy ? m_window->SetBusyControls() : m_window->SetIdleControls();
            for (const QString &entry : table) {
                const QStringList parts = entry.split(QRegularExpression(QStringLiteral("[=/]")));
                QCOMPARE(parts.first() + u'=' + stateOf(m_window, parts.first()),
                    parts.first() + u'=' + parts.at(busy ? 1 : 2));
            }
        }
    }

    void lockedListRefusesTheUser()
    {
        auto *mode = control<LockableComboBox>(m_window, QStringLiteral("cmbMode"));
        QSignalSpy picks(mode, &QComboBox::activated);
        m_window->SetBusyControls();
        mode->setFocus();
        QTest::keyClick(mode, Qt::Key_Down);
        QWheelEvent wheel(QPointF(5, 5), mode->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(mode, &wheel);
        QCOMPARE(picks.count(), 0);
        QCOMPARE(m_window->modeText(), QString());

        m_window->SetIdleControls();
        QTest::keyClick(mode, Qt::Key_Down);
        QCOMPARE(picks.count(), 1);
        QVERIFY(!m_window->modeText().isEmpty());
    }

    void clickSelectsItsRow()
    {
        auto &declarations = m_fixture->program->declarations();
        QTest::mouseClick(control(m_window, QStringLiteral("txtMsg4")), Qt::LeftButton);
        QCOMPARE(declarations.SelectedLocation, 4);
        QVERIFY(control<QRadioButton>(m_window, QStringLiteral("optLoc4"))->isChecked());
        QVERIFY(!control<QRadioButton>(m_window, QStringLiteral("optLoc0"))->isChecked());
        // A name box is read-only: the click selects, it does not edit.
        QTest::keyClicks(control(m_window, QStringLiteral("txtMsg4")), QStringLiteral("xy"));
        QCOMPARE(m_window->messageText(4), QString());

        QTest::mouseClick(control(m_window, QStringLiteral("optLoc6")), Qt::LeftButton);
        QCOMPARE(declarations.SelectedLocation, 6);
        // Selecting from the program moves the mark but is not a user's click.
        m_window->selectLocation(2);
        QVERIFY(control<QRadioButton>(m_window, QStringLiteral("optLoc2"))->isChecked());
        QCOMPARE(declarations.SelectedLocation, 6);
    }

    void opensWithLocationOneSelected()
    {
        m_fixture.reset();
        m_fixture = std::make_unique<ProgramFixture>();
        m_fixture->program->declarations().SelectedLocation = 5;
        m_window = m_fixture->open();
        QCOMPARE(m_fixture->program->declarations().SelectedLocation, 0);
        QVERIFY(control<QRadioButton>(m_window, QStringLiteral("optLoc0"))->isChecked());
        // The connection check passed: nothing shown, port open.
        QVERIFY(m_fixture->prompter->shown.isEmpty());
        QVERIFY(m_fixture->comm->PortOpen());
    }

    void reloadFillsTheListsOnce()
    {
        SimComm *firstComm = m_fixture->comm;
        const QPointer<frmMain1> old = m_window;
        m_fixture->program->reloadMainWindow();
        // The old port closes at once, the old window goes once events run.
        QVERIFY(!firstComm->PortOpen());
        QVERIFY(old && !old->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!old);

        m_fixture->program->reloadMainWindow();
        frmMain1 *window = m_fixture->program->mainWindow();
        QVERIFY(window && window->isVisible());
        QVERIFY(m_fixture->comm->PortOpen());
        QCOMPARE(itemsOf(control<QComboBox>(window, QStringLiteral("cmbMode"))), names("Stack Interrupt"));
        QCOMPARE(itemsOf(control<QComboBox>(window, QStringLiteral("cmbDelay0"))), names("0 1 2 3 4 5 6 7 8 9"));
        // Filling the lists shows none of their items; the unit's values come later.
        QCOMPARE(window->modeText(), QString());
        QCOMPARE(window->delayText(), QString());
    }

    void reloadFromInsideOwnHandler()
    {
        const QPointer<frmMain1> old = m_window;
        // A port window applying a new port reloads the main window from inside a handler.
        auto *refresh = control<QPushButton>(m_window, QStringLiteral("cmdDirectory"));
        connect(refresh, &QPushButton::clicked, m_fixture->program.get(),
                [this] { m_fixture->program->reloadMainWindow(); });
        QTest::mouseClick(refresh, Qt::LeftButton);
        QVERIFY(m_fixture->program->mainWindow() != old.data());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!old);
        QVERIFY(m_fixture->program->mainWindow()->isVisible());
    }

    void programTextSendsNothing()
    {
        QSignalSpy modePicks(control<QComboBox>(m_window, QStringLiteral("cmbMode")), &QComboBox::activated);
        QSignalSpy delayPicks(control<QComboBox>(m_window, QStringLiteral("cmbDelay0")), &QComboBox::activated);
        m_fixture->comm->clearLine();
        m_window->setModeText(QStringLiteral("Interrupt"));
        m_window->setDelayText(QStringLiteral("12"));
        QCoreApplication::processEvents();
        QCOMPARE(m_window->modeText(), QStringLiteral("Interrupt"));
        // A value the list lacks is shown as it is.
        QCOMPARE(m_window->delayText(), QStringLiteral("12"));
        QCOMPARE(modePicks.count() + delayPicks.count(), 0);
        QVERIFY(m_fixture->comm->line().isEmpty());
    }

    void progressBarCoversTheStatusLine()
    {
        auto *progress = control<QProgressBar>(m_window, QStringLiteral("prbLoading"));
        auto *status = control<QLabel>(m_window, QStringLiteral("lblStatus"));
        QVERIFY(progress->isHidden());
        QCOMPARE(progress->parentWidget()->objectName(), QStringLiteral("frmOperation"));
        m_window->setStatus(QStringLiteral("Loading - - -"));
        QCOMPARE(status->text(), QStringLiteral("Loading - - -"));
        m_window->setProgressVisible(true);
        m_window->setProgressValue(55);
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->value(), 55);
        QVERIFY(progress->geometry().intersects(status->geometry()));
        // Painted later than the label, so it lies on top of it.
        const QObjectList stack = progress->parentWidget()->children();
        QVERIFY(stack.indexOf(progress) > stack.indexOf(status));
    }

    void exitEndsTheProgram_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Exit button") << QStringLiteral("cmdExit");
        QTest::newRow("File, Exit") << QStringLiteral("mnuFileExit");
        QTest::newRow("close control") << QStringLiteral("close");
        QTest::newRow("from a nested event loop") << QStringLiteral("nested");
    }
    void exitEndsTheProgram()
    {
        QFETCH(QString, how);
        const bool nestedLoop = how == u"nested";
        m_fixture.reset();
        m_fixture = std::make_unique<ProgramFixture>();
        ProgramFixture &fixture = *m_fixture;
        fixture.program->start();
        frmMain1 *window = fixture.open();
        const QPointer<frmMain1> guard = window;
        const QPointer<QWidget> signOn = fixture.program->signOnWindow();
        SimComm *comm = fixture.comm;

        bool portOpenAfterExit = true;
        bool visibleAfterExit = true;
        bool signOnTimerAfterExit = true;
        int nestedResult = 0;
        const auto pressExit = [&] {
            if (how == u"cmdExit")
                QTest::mouseClick(control(window, how), Qt::LeftButton);
            else if (how == u"mnuFileExit")
                window->findChild<QAction *>(how)->trigger();
            else
                window->close();
            portOpenAfterExit = comm->PortOpen();
            visibleAfterExit = window->isVisible();
            signOnTimerAfterExit = signOn->findChild<QTimer *>(QStringLiteral("tmrSignOn"))->isActive();
        };
        QTimer::singleShot(0, window, [&] {
            if (!nestedLoop)
                return pressExit();
            // As a message box waits for the user; Exit must end it too.
            QEventLoop nested;
            QTimer::singleShot(0, window, [&] {
                how = QStringLiteral("cmdExit");
                pressExit();
            });
            nestedResult = nested.exec();
            nestedResult = nestedResult == 0 ? 1 : nestedResult;
        });
        // Only reached when Exit fails to end the program.
        QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });

        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!portOpenAfterExit);
        QVERIFY(!visibleAfterExit);
        if (nestedLoop)
            QCOMPARE(nestedResult, 1);
        QVERIFY(fixture.program->exiting());
        QVERIFY(!fixture.program->mainWindow());
        // The sign-on window, still open when Exit came, must not go on with the start-up.
        QVERIFY(!signOnTimerAfterExit);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!guard);
        QVERIFY(!signOn);
        // Exit sends nothing to the unit: only the connection check's probe is on the line.
        QCOMPARE(fixture.unit.received(), QByteArray("q\r"));
    }

private:
    std::unique_ptr<ProgramFixture> m_fixture;
    frmMain1 *m_window = nullptr;
};

QTEST_MAIN(tst_ui_mainwindow)
#include "tst_ui_mainwindow.moc"
