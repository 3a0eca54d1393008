#include "settings/AppPaths.h"
#include "link/SerialPortComm.h"
#include "widgets/Logo.h"
#include "widgets/Program.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavix Message Manager"));
    // Names the configuration folder of an installed program.
    QApplication::setOrganizationName(QStringLiteral("Tavix"));
    QApplication::setWindowIcon(QIcon(tavixLogo(64)));

    const AppPaths paths = AppPaths::forProgram();
    Program program(paths, [portsDir = paths.portsDir] {
        return std::make_unique<SerialPortComm>(portsDir);
    });
    program.start();
    return QApplication::exec();
}
