#include "UnitCommands.h"

#include "CommandLine.h"
#include "Connection.h"
#include "Console.h"
#include "DirectoryListing.h"
#include "UnitLink.h"
#include "link/PortMap.h"
#include "protocol/UploadPlan.h"

#include <QRegularExpression>

namespace {

// How often a playback is polled while waiting for its end, as the window does.
constexpr int PollIntervalMs = 500;

QString hexCodes(const QByteArray &bytes)
{
    QStringList codes;
    for (char byte : bytes)
        codes << QString::number(static_cast<quint8>(byte), 16).toUpper();
    return codes.join(QLatin1Char(' '));
}

QString locationList(const QList<int> &locations)
{
    QStringList numbers;
    for (int location : locations)
        numbers << QString::number(location + 1);
    return numbers.join(QStringLiteral(", "));
}

// Asks `question` unless --yes answered it; no one to ask is a usage error (--yes is missing).
Outcome confirm(const Request &request, const QString &question)
{
    if (request.yes)
        return Outcome::ok();
    if (!Console::canAsk())
        return Outcome::fail(ExitUsage,
            QStringLiteral("%1 needs --yes when no terminal can be asked").arg(request.subcommand));
    const auto yes = Console::askYesNo(question);
    if (!yes || !*yes)
        return Outcome::fail(ExitInterrupted, QStringLiteral("cancelled"));
    return Outcome::ok();
}

} // namespace

Outcome runFind(const Request &request, UnitLink &link)
{
    for (int number = FirstPortNumber; number <= LastPortNumber; ++number) {
        const Outcome tried = connectUnit(link, number, request.baudRate);
        link.comm().PortOpen(false);
        link.comm().takeError();
        if (tried.succeeded()) {
            Console::out(QString::number(number));
            return tried;
        }
    }
    return Outcome::fail(ExitNoUnit,
        QStringLiteral("no unit answers on ports %1 to %2")
            .arg(FirstPortNumber)
            .arg(LastPortNumber));
}

Outcome runInfo(const Request &request, UnitLink &link)
{
    QByteArray identity;
    if (Outcome connected = connectUnit(link, link.number(), request.baudRate, &identity);
        !connected.succeeded())
        return connected;
    const UnitValue<QByteArray> code = link.unit().manufacturerCode(0);
    if (!code.ok())
        return unitFailure(QStringLiteral("reading the manufacturer code"), code);
    Console::out(QStringLiteral("identity: %1").arg(QString::fromLatin1(identity).trimmed()));
    Console::out(QStringLiteral("manufacturer code: %1").arg(hexCodes(code.value)));
    return Outcome::ok();
}

Outcome runList(const Request &request, UnitLink &link)
{
    if (Outcome connected = connectUnit(link, link.number(), request.baudRate);
        !connected.succeeded())
        return connected;
    TavixUnit &unit = link.unit();
    UnitDirectory directory;
    if (Outcome read = readWholeDirectory(unit, directory); !read.succeeded())
        return read;
    const UnitValue<PlaybackMode> mode = unit.readMode();
    if (!mode.ok())
        return unitFailure(QStringLiteral("reading the mode"), mode);
    const UnitValue<quint8> delay = unit.readDelay();
    if (!delay.ok())
        return unitFailure(QStringLiteral("reading the delay"), delay);
    const DirectoryListing listing { directory.records, mode.value, delay.value };
    if (request.json)
        Console::out(QString::fromUtf8(directoryJson(listing)).trimmed());
    else
        for (const QString &line : directoryLines(listing))
            Console::out(line);
    return Outcome::ok();
}

Outcome runErase(const Request &request, UnitLink &link)
{
    std::optional<int> location;
    if (!request.all) {
        location = parseLocation(request.arguments.first());
        if (!location)
            return Outcome::fail(ExitUsage,
                QStringLiteral("erase needs a location 1 to 8, not \"%1\"")
                    .arg(request.arguments.first()));
    }
    if (Outcome connected = connectUnit(link, link.number(), request.baudRate);
        !connected.succeeded())
        return connected;
    TavixUnit &unit = link.unit();
    QList<int> locations { 0, 1, 2, 3, 4, 5, 6, 7 };
    if (request.all) {
        if (Outcome asked
            = confirm(request, QStringLiteral("Are you sure you want to erase all Locations?"));
            !asked.succeeded())
            return asked;
    } else {
        // The whole message at the location, as the window erases it; an empty location is
        // erased without a question.
        UnitDirectory directory;
        if (Outcome read = readWholeDirectory(unit, directory); !read.succeeded())
            return read;
        const ShownNames names = namesFromDirectory(directory.records, LocationBytes);
        locations = messageSpan(names, *location);
        if (!names.at(static_cast<size_t>(*location)).isEmpty()) {
            if (Outcome asked = confirm(request,
                    QStringLiteral("Are you sure you want to erase Location %1?")
                        .arg(*location + 1));
                !asked.succeeded())
                return asked;
        }
    }
    for (int i : locations) {
        const UnitResult erased = unit.erase(i);
        if (!erased.ok())
            return unitFailure(QStringLiteral("erasing location %1").arg(i + 1), erased);
    }
    Console::out(
        QStringLiteral("erased %1 %2")
            .arg(locations.size() == 1 ? QStringLiteral("location") : QStringLiteral("locations"),
                locationList(locations)));
    return Outcome::ok();
}

Outcome runPlay(const Request &request, UnitLink &link)
{
    const auto location = parseLocation(request.arguments.first());
    if (!location)
        return Outcome::fail(ExitUsage,
            QStringLiteral("play needs a location 1 to 8, not \"%1\"")
                .arg(request.arguments.first()));
    if (Outcome connected = connectUnit(link, link.number(), request.baudRate);
        !connected.succeeded())
        return connected;
    TavixUnit &unit = link.unit();
    if (const UnitResult played = unit.play(*location); !played.ok())
        return unitFailure(QStringLiteral("playing location %1").arg(*location + 1), played);
    Console::out(QStringLiteral("Playing Message: %1").arg(*location + 1));
    if (!request.wait)
        return Outcome::ok();
    for (;;) {
        link.pause(PollIntervalMs);
        const UnitValue<PlayState> state = unit.poll();
        if (!state.ok())
            return unitFailure(QStringLiteral("waiting for the playback's end"), state);
        if (state.value == PlayState::Done)
            break;
    }
    Console::out(QStringLiteral("Message Done"));
    return Outcome::ok();
}

Outcome runStop(const Request &request, UnitLink &link)
{
    if (Outcome connected = connectUnit(link, link.number(), request.baudRate);
        !connected.succeeded())
        return connected;
    if (const UnitResult stopped = link.unit().stop(); !stopped.ok())
        return unitFailure(QStringLiteral("stopping the playback"), stopped);
    Console::out(QStringLiteral("Playback Stopped"));
    return Outcome::ok();
}

Outcome runMode(const Request &request, UnitLink &link)
{
    std::optional<PlaybackMode> wanted;
    if (!request.arguments.isEmpty()) {
        const QString text = request.arguments.first();
        if (text == u"stack")
            wanted = PlaybackMode::Stack;
        else if (text == u"interrupt")
            wanted = PlaybackMode::Interrupt;
        else
            return Outcome::fail(
                ExitUsage, QStringLiteral("mode is stack or interrupt, not \"%1\"").arg(text));
    }
    if (Outcome connected = connectUnit(link, link.number(), request.baudRate);
        !connected.succeeded())
        return connected;
    TavixUnit &unit = link.unit();
    if (wanted) {
        if (const UnitResult written = unit.writeMode(*wanted); !written.ok())
            return unitFailure(QStringLiteral("setting the mode"), written);
    }
    const UnitValue<PlaybackMode> mode = unit.readMode();
    if (!mode.ok())
        return unitFailure(QStringLiteral("reading the mode"), mode);
    Console::out(
        mode.value == PlaybackMode::Stack ? QStringLiteral("stack") : QStringLiteral("interrupt"));
    return Outcome::ok();
}

Outcome runDelay(const Request &request, UnitLink &link)
{
    std::optional<quint8> wanted;
    if (!request.arguments.isEmpty()) {
        static const QRegularExpression digits(QStringLiteral("^[0-9]{1,3}$"));
        const QString text = request.arguments.first();
        if (!digits.match(text).hasMatch() || text.toInt() > 255)
            return Outcome::fail(ExitUsage,
                QStringLiteral("the delay is a whole number of seconds 0 to 255, not \"%1\"")
                    .arg(text));
        wanted = static_cast<quint8>(text.toInt());
    }
    if (Outcome connected = connectUnit(link, link.number(), request.baudRate);
        !connected.succeeded())
        return connected;
    TavixUnit &unit = link.unit();
    if (wanted) {
        const UnitValue<QList<quint8>> written = unit.writeDelay(*wanted);
        if (!written.ok()) {
            QStringList registers;
            for (quint8 number : written.value)
                registers << QString::number(number);
            return unitFailure(written.value.isEmpty()
                    ? QStringLiteral("setting the delay")
                    : QStringLiteral("setting the delay (refused by register %1)")
                          .arg(registers.join(QStringLiteral(", "))),
                written);
        }
    }
    const UnitValue<quint8> delay = unit.readDelay();
    if (!delay.ok())
        return unitFailure(QStringLiteral("reading the delay"), delay);
    Console::out(QString::number(delay.value));
    return Outcome::ok();
}
