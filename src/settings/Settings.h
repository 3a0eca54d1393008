#pragma once

#include <QString>

#include <optional>

// setup.txt: two lines ended by carriage return and line feed, "BaudRate=" with the rate as
// text and "CommPort=" with the port number.
struct Settings {
    QString BaudRate;
    qint16 CommPort = 1;
};

inline const QString DefaultBaudRate = QStringLiteral("460800");
inline constexpr qint16 DefaultCommPort = 1;

// The file's contents, or nothing when it is unreadable: missing, fewer than two lines, the
// first "=" of a line beyond its 255th character, a value longer than 255 characters, or a port
// number that does not fit a 16-bit integer.
std::optional<Settings> readSettings(const QString &path);
std::optional<Settings> parseSettings(const QByteArray &contents);

// Writes the file over any old one, read-only or not, in one step. False when the new file
// could not be written completely; the old file is then left as it was.
bool writeSettings(const QString &path, const Settings &settings);

// Removes the file; a missing file or a failure is ignored.
void removeSettings(const QString &path);
