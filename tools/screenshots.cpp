// screenshots <folder>: renders each window of the program to a PNG file in the folder, with
// no display needed. The main window runs on the in-process simulated unit.
#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "app/AppPaths.h"
#include "app/MainController.h"
#include "app/Palette.h"
#include "ui/Program.h"
#include "ui/frmMain1.h"
#include "ui/frmSignOn.h"

#include <QApplication>
#include <QDir>
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

    const struct {
        const char *name;
        int twips;
        int colourOf;
    } rows[] = {
        {"Welcome        ", 800, 0}, {"Welcome        ", 800, 0}, {"Welcome        ", 310, 0},
        {"Closing time   ", 520, 3}, {"", 0, 4},  {"Door chime     ", 40, 5},
        {"Special offer  ", 800, 6}, {"", 0, 7},
    };
    for (int i = 0; i < LocationCount; ++i) {
        window->setMessageText(i, QLatin1String(rows[i].name));
        window->setBarColor(i, palette[static_cast<std::size_t>(rows[i].colourOf)]);
        window->setBarWidth(i, rows[i].twips);
    }
    window->setModeText(QStringLiteral("Stack"));
    window->setDelayText(QStringLiteral("3"));
    window->setStatus(QStringLiteral("Directory Updated"));
    window->selectLocation(3);
    QApplication::processEvents();
    ok &= save(window, folder, QStringLiteral("main.png"), out);

    window->SetBusyControls();
    window->setProgressVisible(true);
    window->setProgressValue(40);
    QApplication::processEvents();
    ok &= save(window, folder, QStringLiteral("main-busy.png"), out);

    return ok ? 0 : 1;
}
