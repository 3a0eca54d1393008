#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

namespace {

// What each subcommand takes: its own options and how many arguments.
struct Syntax {
    QString name;
    QString usage; // after "tavixctl "
    QString summary;
    QStringList options;
    int leastArguments = 0;
    int mostArguments = 0;
};

const QList<Syntax> &syntaxes()
{
    static const QList<Syntax> table {
        { QStringLiteral("ports"), QStringLiteral("ports"),
            QStringLiteral("the port numbers with the device behind each"), {}, 0, 0 },
        { QStringLiteral("find"), QStringLiteral("find"),
            QStringLiteral("tries ports 1 to 255; prints the first one a unit answers on"), {}, 0,
            0 },
        { QStringLiteral("info"), QStringLiteral("info"),
            QStringLiteral("the unit's identity and manufacturer code"), {}, 0, 0 },
        { QStringLiteral("ls"), QStringLiteral("ls [--json]"),
            QStringLiteral("the directory (location, name, bytes, the locations it spans), the\n"
                           "playback mode and the delay"),
            { QStringLiteral("json") }, 0, 0 },
        { QStringLiteral("upload"),
            QStringLiteral("upload FILE --location N [--overflow proceed|down-sample|cancel]\n"
                           "       [--no-auto-reduce] [--yes]"),
            QStringLiteral("loads a wave file from location N on, by the window's rules"),
            { QStringLiteral("location"), QStringLiteral("overflow"),
                QStringLiteral("no-auto-reduce"), QStringLiteral("yes") },
            1, 1 },
        { QStringLiteral("erase"), QStringLiteral("erase N|--all [--yes]"),
            QStringLiteral("erases the message at location N, or every location"),
            { QStringLiteral("all"), QStringLiteral("yes") }, 0, 1 },
        { QStringLiteral("play"), QStringLiteral("play N [--wait]"),
            QStringLiteral("plays the message at location N; --wait: until it has ended"),
            { QStringLiteral("wait") }, 1, 1 },
        { QStringLiteral("stop"), QStringLiteral("stop"), QStringLiteral("stops the playback"), {},
            0, 0 },
        { QStringLiteral("mode"), QStringLiteral("mode [stack|interrupt]"),
            QStringLiteral("prints the playback mode, after setting it when given"), {}, 0, 1 },
        { QStringLiteral("delay"), QStringLiteral("delay [SECONDS]"),
            QStringLiteral("prints the trigger delay, after setting it (0 to 255) when given"), {},
            0, 1 },
    };
    return table;
}

// Options that belong to one subcommand or another.
const QStringList subcommandOptions { QStringLiteral("json"), QStringLiteral("location"),
    QStringLiteral("overflow"), QStringLiteral("no-auto-reduce"), QStringLiteral("yes"),
    QStringLiteral("all"), QStringLiteral("wait") };

ParsedLine usage(const QString &message)
{
    return { std::nullopt, Outcome::fail(ExitUsage, message), {} };
}

QString helpText(const QCommandLineParser &parser)
{
    QString text = parser.helpText();
    text += QStringLiteral("\nSubcommands:\n");
    for (const Syntax &syntax : syntaxes())
        text += QStringLiteral("  %1\n      %2\n")
                    .arg(syntax.usage,
                        QString(syntax.summary).replace(u'\n', QStringLiteral("\n      ")));
    text += QStringLiteral(
        "\nLocations are numbered 1 to 8, as in the window. Without --port or --sim\n"
        "the port is the one in the settings file of the window.\n\n");
    return text + exitStatusHelp();
}

std::optional<PortChoice> parsePort(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (text.isEmpty())
        return std::nullopt;
    PortChoice choice;
    if (digits.match(text).hasMatch()) {
        const int number = text.toInt();
        if (number < 1 || number > 255)
            return std::nullopt;
        choice.number = number;
        return choice;
    }
    choice.kind = PortChoice::Kind::Device;
    choice.device = text;
    return choice;
}

std::optional<OverflowChoice> parseOverflow(const QString &text)
{
    if (text == u"proceed")
        return OverflowChoice::Proceed;
    if (text == u"down-sample")
        return OverflowChoice::DownSample;
    if (text == u"cancel")
        return OverflowChoice::Cancel;
    return std::nullopt;
}

} // namespace

std::optional<int> parseLocation(const QString &text)
{
    static const QRegularExpression digit(QStringLiteral("^[1-8]$"));
    if (!digit.match(text).hasMatch())
        return std::nullopt;
    return text.toInt() - 1;
}

ParsedLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Manages the messages of a Tavix unit from a shell: the same rules as the "
                       "window, one unit per run."));
    parser.addPositionalArgument(QStringLiteral("subcommand"), QStringLiteral("See below."),
        QStringLiteral("<subcommand> [arguments]"));
    const QCommandLineOption help(
        { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Shows this help."));
    const QCommandLineOption version(
        { QStringLiteral("v"), QStringLiteral("version") }, QStringLiteral("Shows the version."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOptions({
        { QStringLiteral("port"),
            QStringLiteral("The unit's port: a number 1 to 255 or a device path (default: the "
                           "window's port)."),
            QStringLiteral("N|DEVICE") },
        { QStringLiteral("sim"),
            QStringLiteral("Talks to an in-process simulated unit holding the demo's messages.") },
        { QStringLiteral("json"), QStringLiteral("ls: prints JSON.") },
        { QStringLiteral("location"), QStringLiteral("upload: the first location, 1 to 8."),
            QStringLiteral("N") },
        { QStringLiteral("overflow"),
            QStringLiteral("upload: the answer when the file needs several locations."),
            QStringLiteral("proceed|down-sample|cancel") },
        { QStringLiteral("no-auto-reduce"),
            QStringLiteral(
                "upload: keeps a rate above 33 kHz for a file that fits one location.") },
        { QStringLiteral("yes"),
            QStringLiteral("upload, erase: answers Yes to the question, which is asked otherwise "
                           "(and refused without a terminal).") },
        { QStringLiteral("all"), QStringLiteral("erase: every location.") },
        { QStringLiteral("wait"), QStringLiteral("play: waits until the message has ended.") },
    });

    if (!parser.parse(arguments))
        return usage(parser.errorText());
    if (parser.isSet(help))
        return { std::nullopt, Outcome::ok(), helpText(parser) };
    if (parser.isSet(version))
        return { std::nullopt, Outcome::ok(),
            QStringLiteral("tavixctl %1\n").arg(QCoreApplication::applicationVersion()) };

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usage(QStringLiteral("no subcommand given; see tavixctl --help"));
    Request request;
    request.subcommand = positional.takeFirst();
    request.arguments = positional;
    const auto syntax = std::find_if(syntaxes().begin(), syntaxes().end(),
        [&request](const Syntax &entry) { return entry.name == request.subcommand; });
    if (syntax == syntaxes().end())
        return usage(QStringLiteral("unknown subcommand \"%1\"; see tavixctl --help")
                         .arg(request.subcommand));
    for (const QString &option : subcommandOptions)
        if (parser.isSet(option) && !syntax->options.contains(option))
            return usage(QStringLiteral("--%1 is not an option of %2").arg(option, syntax->name));
    if (request.arguments.size() < syntax->leastArguments
        || request.arguments.size() > syntax->mostArguments)
        return usage(QStringLiteral("usage: tavixctl %1").arg(QString(syntax->usage).simplified()));

    if (parser.isSet(QStringLiteral("sim")) && parser.isSet(QStringLiteral("port")))
        return usage(QStringLiteral("--sim and --port exclude each other"));
    if (parser.isSet(QStringLiteral("sim")))
        request.port = PortChoice { PortChoice::Kind::Simulated, 1, {} };
    if (parser.isSet(QStringLiteral("port"))) {
        const QString text = parser.value(QStringLiteral("port"));
        request.port = parsePort(text);
        if (!request.port)
            return usage(
                QStringLiteral("--port needs a number 1 to 255 or a device, not \"%1\"").arg(text));
    }
    request.json = parser.isSet(QStringLiteral("json"));
    request.wait = parser.isSet(QStringLiteral("wait"));
    request.all = parser.isSet(QStringLiteral("all"));
    request.yes = parser.isSet(QStringLiteral("yes"));
    request.autoReduce = !parser.isSet(QStringLiteral("no-auto-reduce"));
    if (parser.isSet(QStringLiteral("location"))) {
        const QString text = parser.value(QStringLiteral("location"));
        request.location = parseLocation(text);
        if (!request.location)
            return usage(QStringLiteral("--location needs a number 1 to 8, not \"%1\"").arg(text));
    }
    if (parser.isSet(QStringLiteral("overflow"))) {
        const QString text = parser.value(QStringLiteral("overflow"));
        request.overflow = parseOverflow(text);
        if (!request.overflow)
            return usage(
                QStringLiteral("--overflow needs proceed, down-sample or cancel, not \"%1\"")
                    .arg(text));
    }
    if (request.subcommand == u"upload" && !request.location)
        return usage(QStringLiteral("upload needs --location N (1 to 8)"));
    if (request.subcommand == u"erase" && request.all == !request.arguments.isEmpty())
        return usage(QStringLiteral("erase needs a location 1 to 8 or --all, not both"));
    return { request, Outcome::ok(), {} };
}
