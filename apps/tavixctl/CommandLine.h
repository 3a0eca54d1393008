#pragma once

#include "ExitStatus.h"
#include "UnitLink.h"
#include "protocol/UploadPlan.h"

#include <QStringList>

#include <optional>

// One run of tavixctl as its command line asks for it. Options may stand before or after the
// subcommand.
struct Request {
    QString subcommand;
    QStringList arguments; // after the subcommand
    // Nothing: the port of the settings file.
    std::optional<PortChoice> port;
    // The line's rate, from the settings file.
    QString baudRate = QStringLiteral("460800");
    bool json = false;
    bool wait = false;
    bool all = false;
    bool yes = false;
    bool autoReduce = true;
    std::optional<int> location; // --location, 0 to 7
    std::optional<OverflowChoice> overflow;
};

// A request, or what to end with at once: the help or the version on stdout (status 0), or a
// usage error.
struct ParsedLine {
    std::optional<Request> request;
    Outcome outcome;
    QString text; // for stdout
};

ParsedLine parseCommandLine(const QStringList &arguments);

// A location as the window numbers them, "1" to "8", as an index 0 to 7.
std::optional<int> parseLocation(const QString &text);
