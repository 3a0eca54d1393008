#include "settings/Declarations.h"
#include "widgets/frmOverflow.h"
#include "protocol/UploadSizes.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

struct Shown {
    Shown(qint32 size, qint32 rate, int location)
    {
        decl.SampleRate = rate;
        decl.ReduceSteps = 1;
        setDataSize(decl, size);
        decl.OverflowChoice = QStringLiteral("Wait");
        window = new frmOverflow(
            decl, location, [this] { ++answers; }, [this] { ++exits; });
        guard = window;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    ~Shown() { delete guard.data(); }
    template <typename T> T *child(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }

    modDeclarations decl;
    frmOverflow *window = nullptr;
    QPointer<frmOverflow> guard;
    int answers = 0;
    int exits = 0;
};

} // namespace

// The overflow window: its layout, texts and choices.
class tst_ui_overflow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void layout()
    {
        Shown s(1500000, 22050, 0);
        QCOMPARE(s.window->windowTitle(), QStringLiteral("Wave File Overflow"));
        QCOMPARE(s.window->centralWidget()->size(), QSize(284, 200));
        const struct {
            const char *name;
            QRect geometry;
            const char *text;
        } controls[] = {
            { "lblDescription", { 16, 24, 137, 52 },
                "This wave file is large and will fill 2 memory locations" },
            { "cmdProceed", { 168, 24, 81, 25 }, "Proceed" },
            { "lblConvert", { 16, 80, 137, 52 },
                "This file can be converted to fit into 1 memory location" },
            { "cmdConvert", { 168, 80, 81, 25 }, "Down Sample" },
            { "lblCancel", { 16, 136, 137, 52 },
                "Cancel this operation and return to the main screen" },
            { "cmdCancel", { 168, 136, 81, 25 }, "Cancel" },
        };
        for (const auto &c : controls) {
            QWidget *w = s.child<QWidget>(c.name);
            QVERIFY2(w, c.name);
            QCOMPARE(w->geometry(), c.geometry);
            QVERIFY(w->toolTip().isEmpty());
            const QString text = qobject_cast<QLabel *>(w) ? qobject_cast<QLabel *>(w)->text()
                                                           : qobject_cast<QPushButton *>(w)->text();
            QCOMPARE(text, QString::fromLatin1(c.text));
        }
        QCOMPARE(s.child<QAction>("mnuFileClose")->text(), QStringLiteral("&Close"));
        QCOMPARE(s.child<QAction>("mnuFileExit")->text(), QStringLiteral("&Exit"));
        // Focus on the first button, then the buttons in order.
        QCOMPARE(QApplication::focusWidget(), s.child<QWidget>("cmdProceed"));
        s.window->activateWindow();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), s.child<QWidget>("cmdConvert"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), s.child<QWidget>("cmdCancel"));
    }

    void hiddenRows_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("location");
        QTest::addColumn<bool>("proceed");
        QTest::addColumn<bool>("convert");
        QTest::addColumn<QString>("focus");
        QTest::newRow("does not fit the rest: no Proceed")
            << 1500000 << 22050 << 7 << false << true << QStringLiteral("cmdConvert");
        QTest::newRow("low rate: no Down Sample")
            << 1200000 << 8000 << 6 << true << false << QStringLiteral("cmdProceed");
    }
    void hiddenRows()
    {
        QFETCH(int, size);
        QFETCH(int, rate);
        QFETCH(int, location);
        QFETCH(bool, proceed);
        QFETCH(bool, convert);
        QFETCH(QString, focus);
        Shown s(size, rate, location);
        QCOMPARE(s.child<QWidget>("cmdProceed")->isVisible(), proceed);
        QCOMPARE(s.child<QWidget>("lblDescription")->isVisible(), proceed);
        QCOMPARE(s.child<QWidget>("cmdConvert")->isVisible(), convert);
        QCOMPARE(s.child<QWidget>("lblConvert")->isVisible(), convert);
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    }

    void choices_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<int>("size");
        QTest::newRow("Proceed") << QStringLiteral("cmdProceed") << QStringLiteral("Proceed")
                                 << 1500000;
        QTest::newRow("Down Sample")
            << QStringLiteral("cmdConvert") << QStringLiteral("Convert") << 750000;
        QTest::newRow("Cancel") << QStringLiteral("cmdCancel") << QStringLiteral("Cancel")
                                << 1500000;
        QTest::newRow("File, Close")
            << QStringLiteral("mnuFileClose") << QStringLiteral("Cancel") << 1500000;
        QTest::newRow("window's close control")
            << QStringLiteral("close") << QStringLiteral("Cancel") << 1500000;
    }
    void choices()
    {
        QFETCH(QString, how);
        QFETCH(QString, choice);
        QFETCH(int, size);
        Shown s(1500000, 22050, 0);
        if (how == QStringLiteral("close"))
            s.window->close();
        else if (how == QStringLiteral("mnuFileClose"))
            s.child<QAction>("mnuFileClose")->trigger();
        else
            QTest::mouseClick(s.child<QPushButton>(how.toLatin1().constData()), Qt::LeftButton);
        QCOMPARE(s.decl.OverflowChoice, choice);
        QCOMPARE(s.answers, 1);
        QCOMPARE(s.decl.DataSize, size);
        QTRY_VERIFY(s.guard.isNull()); // unloaded
    }

    void exitLeavesTheCommandWaiting()
    {
        Shown s(1500000, 22050, 0);
        s.child<QAction>("mnuFileExit")->trigger();
        QCOMPARE(s.exits, 1);
        QCOMPARE(s.answers, 0);
        QCOMPARE(s.decl.OverflowChoice, QStringLiteral("Wait"));
    }
};

QTEST_MAIN(tst_ui_overflow)
#include "tst_ui_overflow.moc"
