// screenshots <folder>: renders each window of the program to a PNG file in the folder, with
// no display needed. The main window runs on the in-process simulated unit.
#include "Preload.h"
#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "settings/AppPaths.h"
#include "settings/Declarations.h"
#include "commands/MainController.h"
#include "commands/Palette.h"
#include "widgets/Program.h"
#include "widgets/frmMain1.h"
#include "widgets/frmOverflow.h"
#include "protocol/UploadSizes.h"
#include "widgets/frmSignOn.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

bool save(QWidget *window, const QDir &folder, const QString &name, QTextStream &out)
{
    const QString path = folder.filePath(name);
    if (!window->grab().save(path)) {
        out << "cannot write " << path << Qt::endl;
        return false;
    }
    out << path << Qt::endl;
    return true;
}

}  // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 2) {
        err << "usage: screenshots <folder>" << Qt::endl;
        return 2;
    }
    const QDir folder(arguments.at(1));
    if (!QDir().mkpath(folder.absolutePath())) {
        err << "cannot create " << folder.absolutePath() << Qt::endl;
        return 1;
    }

    // The program's own files go into a scratch folder, never beside this tool.
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        err << "cannot create a temporary folder" << Qt::endl;
        return 1;
    }
    VirtualClock clock;
    UnitEngine unit;
    Preload::storeDemo(unit);
    Program program(AppPaths::inFolder(scratch.path()),
                    [&] { return std::make_unique<SimComm>(unit, clock); });

    bool ok = true;
    program.start();
    QApplication::processEvents();
    ok &= save(program.signOnWindow(), folder, QStringLiteral("signon.png"), out);

    program.showMainWindow();
    frmMain1 *window = program.mainWindow();
    // Keep the start-up's directory read from running while the pictures are taken.
    window->controller().timers().Timer2.stop();

    // The directory as the window reads it from the simulated unit holding the demo's messages.
    window->controller().cmdDirectory_Click();
    window->controller().txtMsg_Click(2);
    QApplication::processEvents();
    ok &= save(window, folder, QStringLiteral("main.png"), out);

    // The longer mode text, so that both are seen whole.
    window->setModeText(QStringLiteral("Interrupt"));
    window->SetBusyControls();
    window->setProgressVisible(true);
    window->setProgressValue(40);
    QApplication::processEvents();
    ok &= save(window, folder, QStringLiteral("main-busy.png"), out);
    window->setProgressVisible(false);
    window->SetIdleControls();

    // A port link, so that the selection shows a device beside its number.
    QDir().mkpath(program.paths().portsDir);
    QFile::link(QStringLiteral("/dev/ttyUSB0"), QDir(program.paths().portsDir).filePath(QStringLiteral("com3")));
    program.declarations().CommPort = 3;
    program.showSerialSet();
    QApplication::processEvents();
    ok &= save(program.serialSetWindow(), folder, QStringLiteral("serialset.png"), out);
    auto *ports = program.serialSetWindow()->findChild<QComboBox *>(QStringLiteral("cmbCommPort"));
    ports->showPopup();
    QApplication::processEvents();
    ok &= save(ports->view()->window(), folder, QStringLiteral("serialset-list.png"), out);
    ports->hidePopup();
    program.serialSetWindow()->cmdCancel_Click();

    program.showSerialSearch();
    frmSerialSearch *search = program.serialSearchWindow();
    QApplication::processEvents();
    ok &= save(search, folder, QStringLiteral("serialsearch.png"), out);
    program.declarations().CommPort = 1;
    search->search().Timer1_Timer();
    QApplication::processEvents();
    ok &= save(search, folder, QStringLiteral("serialsearch-found.png"), out);
    search->search().cancel();

    // The instructions that ship beside this tool.
    QFile::copy(QDir(QApplication::applicationDirPath()).filePath(QStringLiteral("help.txt")),
                program.paths().helpFile);
    program.showHelp();
    QApplication::processEvents();
    ok &= save(program.helpWindow(), folder, QStringLiteral("help.png"), out);

    program.showAbout();
    QApplication::processEvents();
    ok &= save(program.aboutWindow(), folder, QStringLiteral("about.png"), out);

    // The overflow dialog for a 22,050 Hz file of 2,500,000 bytes at location 1.
    modDeclarations overflowing;
    overflowing.SampleRate = 22050;
    setDataSize(overflowing, 2500000);
    frmOverflow overflow(overflowing, 0, [] {}, [] {});
    overflow.show();
    QApplication::processEvents();
    ok &= save(&overflow, folder, QStringLiteral("overflow.png"), out);

    return ok ? 0 : 1;
}
