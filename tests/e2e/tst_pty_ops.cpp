#include "support/PtyUnit.h"
#include "support/UnitFixture.h"

#include "link/SerialPortComm.h"

#include <QTest>

#include <memory>

namespace {

// The main window's logic on the QSerialPort backend, port 1, loaded.
std::unique_ptr<MainController> loadOnPort1(UnitFixture &f)
{
    f.declarations.CommPort = 1;
    auto controller = std::make_unique<MainController>(f.declarations, f.paths,
                                                       std::make_unique<SerialPortComm>(f.paths.portsDir),
                                                       f.surface, f.prompter, f.windows);
    controller->Form_Load();
    return controller;
}

}  // namespace

// The window's commands over a pseudo-terminal, against tavix-unit-sim in real time through the
// QSerialPort backend.
class tst_pty_ops : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void vanishedUnitIsReportedNotFatal()
    {
        UnitFixture f;
        PtyUnit unit;
        START_PTY_UNIT(unit, PtyUnit::linkArguments(f.paths.portsDir, 1,
                                                    {QStringLiteral("--preload"), QStringLiteral("2:Gone:8000:5")}));
        const auto controller = loadOnPort1(f);
        unit.kill();
        controller->cmdDirectory_Click();
        QVERIFY2(f.surface.status().startsWith(QStringLiteral("Comm Port Error: ")), qPrintable(f.surface.status()));
        QVERIFY(!f.surface.busy);
        controller->mnuToolsMfg_Click();
        QVERIFY2(f.surface.status().startsWith(QStringLiteral("Comm Port Error: ")), qPrintable(f.surface.status()));
    }
};

QTEST_GUILESS_MAIN(tst_pty_ops)
#include "tst_pty_ops.moc"
