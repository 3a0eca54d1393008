// tavixctl: the unit's messages from a shell, on the same rules as the window. One unit per run;
// nothing shared is written, so one tavixctl per port may run at the same time.

#include "CommandLine.h"
#include "Console.h"
#include "PortListing.h"
#include "UnitCommands.h"
#include "UnitLink.h"
#include "Upload.h"
#include "link/PortMap.h"
#include "settings/AppPaths.h"
#include "settings/Settings.h"
#include "settings/Version.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <cstdio>

namespace {

using Run = Outcome (*)(const Request &, UnitLink &);

struct Subcommand {
    const char16_t *name;
    Run run;
};

constexpr Subcommand unitSubcommands[] = {
    { u"find", runFind },
    { u"info", runInfo },
    { u"ls", runList },
    { u"upload", runUpload },
    { u"erase", runErase },
    { u"play", runPlay },
    { u"stop", runStop },
    { u"mode", runMode },
    { u"delay", runDelay },
};

// The window's files: its settings name the default port and the line's rate. The program goes
// by the window's names, so an installed one finds the window's configuration folder.
AppPaths windowPaths()
{
    return AppPaths::forLayout(QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

Outcome run(Request &request)
{
    const AppPaths paths = windowPaths();
    if (request.subcommand == u"ports") {
        for (const QString &line : portListing(portInventory(paths.portsDir)))
            Console::out(line);
        return Outcome::ok();
    }
    const std::optional<Settings> settings = readSettings(paths.settingsFile);
    if (settings)
        request.baudRate = settings->BaudRate;
    const PortChoice port = request.port.value_or(PortChoice {
        PortChoice::Kind::Number, settings ? settings->CommPort : DefaultCommPort, {} });
    UnitLink link(port, paths.portsDir);
    for (const Subcommand &subcommand : unitSubcommands)
        if (request.subcommand == QStringView(subcommand.name))
            return subcommand.run(request, link);
    return Outcome::fail(
        ExitUsage, QStringLiteral("unknown subcommand \"%1\"").arg(request.subcommand));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tavix Message Manager"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tavix"));
    QCoreApplication::setApplicationVersion(versionText().section(QLatin1Char(' '), 1));

    ParsedLine parsed = parseCommandLine(QCoreApplication::arguments());
    if (!parsed.text.isEmpty()) {
        std::fputs(parsed.text.toLocal8Bit().constData(), stdout);
        return ExitOk;
    }
    Outcome outcome = parsed.request ? run(*parsed.request) : parsed.outcome;
    if (!outcome.succeeded())
        Console::error(outcome.message);
    return outcome.status;
}
