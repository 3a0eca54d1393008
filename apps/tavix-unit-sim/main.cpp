// tavix-unit-sim: a simulated Tavix unit on a pseudo-terminal. The first line on stdout is the
// device to open as the serial port; it appears once the unit is ready (and its link made).

#include "Preload.h"
#include "PtyHost.h"
#include "UnitEngine.h"
#include "WaveFile.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QList>

#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

void complain(const QString &text);

// Exit codes a caller can tell apart.
constexpr int ExitUsage = 2;
constexpr int ExitNoPseudoTerminal = 3;
constexpr int ExitFailed = 1;

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void onStopSignal(int)
{
    stopRequested = 1;
}

struct SimSettings {
    QString linkPath;
    qint32 baud = 0;
    qint32 adapterLatencyMs = 0;
};

// One switch of the program: how it reads on the command line and what it does to the unit
// or the host. A new switch is one more row.
struct Switch {
    QCommandLineOption option;
    std::function<std::optional<QString>(const QString &value, UnitEngine &, SimSettings &)> apply;
};

QList<Switch> switches()
{
    return {
        {QCommandLineOption(QStringLiteral("link"),
                            QStringLiteral("Make a symbolic link at <path> to the device (removed at exit)."),
                            QStringLiteral("path")),
         [](const QString &value, UnitEngine &, SimSettings &settings) -> std::optional<QString> {
             if (value.isEmpty())
                 return QStringLiteral("--link needs a path");
             settings.linkPath = value;
             return std::nullopt;
         }},
        {QCommandLineOption(QStringLiteral("baud"),
                            QStringLiteral("Behave like a line of <rate> baud: 10 bits per byte, both ways."),
                            QStringLiteral("rate")),
         [](const QString &value, UnitEngine &, SimSettings &settings) -> std::optional<QString> {
             bool ok = false;
             const qint32 baud = value.toInt(&ok);
             if (!ok || baud <= 0)
                 return QStringLiteral("--baud needs a positive whole number, not \"%1\"").arg(value);
             settings.baud = baud;
             return std::nullopt;
         }},
        {QCommandLineOption(QStringLiteral("adapter-latency-ms"),
                            QStringLiteral("Hand replies over as a USB serial adapter with a latency timer of "
                                           "<ms> does: the first byte of a reply starts the timer, and what "
                                           "has arrived when it fires goes over together."),
                            QStringLiteral("ms")),
         [](const QString &value, UnitEngine &, SimSettings &settings) -> std::optional<QString> {
             bool ok = false;
             const qint32 ms = value.toInt(&ok);
             if (!ok || ms < 0)
                 return QStringLiteral("--adapter-latency-ms needs a whole number of milliseconds, 0 or "
                                       "more, not \"%1\"")
                     .arg(value);
             settings.adapterLatencyMs = ms;
             return std::nullopt;
         }},
        {QCommandLineOption(QStringLiteral("identity"),
                            QStringLiteral("Answer \"q\" with <text> (10 characters make a full reply)."),
                            QStringLiteral("text")),
         [](const QString &value, UnitEngine &engine, SimSettings &) -> std::optional<QString> {
             engine.setIdentity(value.toLatin1());
             return std::nullopt;
         }},
        {QCommandLineOption(QStringLiteral("preload"),
                            QStringLiteral("Start with a tone stored, given as LOCATION:NAME:RATE:SECONDS "
                                           "(e.g. 1:Lobby:8000:3.0); may be given more than once."),
                            QStringLiteral("message")),
         [](const QString &value, UnitEngine &engine, SimSettings &) -> std::optional<QString> {
             QString problem;
             const auto preload = Preload::parse(value, &problem);
             if (!preload)
                 return problem;
             engine.store(preload->location, preload->message);
             return std::nullopt;
         }},
        {QCommandLineOption(QStringLiteral("demo"),
                            QStringLiteral("Start with the demo's messages stored (as tavixctl --sim has them).")),
         [](const QString &, UnitEngine &engine, SimSettings &) -> std::optional<QString> {
             Preload::storeDemo(engine);
             return std::nullopt;
         }},
        {QCommandLineOption(QStringLiteral("store-dir"),
                            QStringLiteral("Write every message the unit stores to <dir>/locN.wav (N from 1)."),
                            QStringLiteral("dir")),
         [](const QString &value, UnitEngine &engine, SimSettings &) -> std::optional<QString> {
             if (value.isEmpty() || !QDir().mkpath(value))
                 return QStringLiteral("--store-dir needs a folder that can be made, not \"%1\"").arg(value);
             engine.setStoredHandler([value](int location, const UnitEngine::StoredMessage &message) {
                 const QString path = QDir(value).filePath(QStringLiteral("loc%1.wav").arg(location + 1));
                 if (!WaveFile::fromUnitAudio(message.audio, message.sampleRate).write(path))
                     complain(QStringLiteral("cannot write %1").arg(path));
             });
             return std::nullopt;
         }},
        {QCommandLineOption(QStringLiteral("fault"),
                            QStringLiteral("Answer <reply> instead of the usual reply at <point> (\"W\" for a register "
                                           "write, \"L.header\" for an upload's header, ...), every time; "
                                           "may be given more than once."),
                            QStringLiteral("point=reply")),
         [](const QString &value, UnitEngine &engine, SimSettings &) -> std::optional<QString> {
             const qsizetype equals = value.indexOf(QLatin1Char('='));
             if (equals <= 0)
                 return QStringLiteral("--fault needs POINT=REPLY, not \"%1\"").arg(value);
             UnitEngine::Fault fault;
             fault.point = value.left(equals).toLatin1();
             fault.kind = UnitEngine::Fault::Replace;
             fault.replacement = value.mid(equals + 1).toLatin1();
             engine.injectFault(fault);
             return std::nullopt;
         }},
        {QCommandLineOption(QStringLiteral("silent"), QStringLiteral("Answer nothing at all.")),
         [](const QString &, UnitEngine &engine, SimSettings &) -> std::optional<QString> {
             engine.setSilent(true);
             return std::nullopt;
         }},
    };
}

void complain(const QString &text)
{
    std::fprintf(stderr, "tavix-unit-sim: %s\n", text.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavix-unit-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A simulated Tavix unit on a pseudo-terminal. Prints the device path, then serves "
                       "the unit until it is terminated."));
    parser.addHelpOption();
    const QList<Switch> table = switches();
    for (const Switch &entry : table)
        parser.addOption(entry.option);
    if (!parser.parse(QCoreApplication::arguments())) {
        complain(parser.errorText());
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp();
    if (!parser.positionalArguments().isEmpty()) {
        complain(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
        return ExitUsage;
    }

    UnitEngine engine;
    SimSettings settings;
    for (const Switch &entry : table) {
        if (!parser.isSet(entry.option))
            continue;
        // A switch given more than once applies each of its values in turn.
        const QStringList values =
            entry.option.valueName().isEmpty() ? QStringList{QString()} : parser.values(entry.option);
        for (const QString &value : values) {
            if (const auto problem = entry.apply(value, engine, settings)) {
                complain(*problem);
                return ExitUsage;
            }
        }
    }

    // The stop signals are held back except while the host waits, so none is lost between its
    // check of the flag and its wait.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&stopSignals, signal);
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
    sigset_t waitMask;
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigdelset(&waitMask, signal);

    PtyHost host(engine);
    if (const auto problem = host.open()) {
        complain(*problem);
        return ExitNoPseudoTerminal;
    }
    if (!settings.linkPath.isEmpty()) {
        if (const auto problem = host.createLink(settings.linkPath)) {
            complain(*problem);
            return ExitFailed;
        }
    }
    host.setBaud(settings.baud);
    host.setAdapterLatencyMs(settings.adapterLatencyMs);

    std::printf("%s\n", host.slavePath().toLocal8Bit().constData());
    std::fflush(stdout);

    if (const auto problem = host.run(stopRequested, waitMask)) {
        complain(*problem);
        return ExitFailed;
    }
    return 0;
}
