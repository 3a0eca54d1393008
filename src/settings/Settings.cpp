#include "settings/Settings.h"

#include "settings/NumberRules.h"

#include <QFile>
#include <QSaveFile>

namespace {

constexpr qsizetype MostValueLength = 255;
constexpr qsizetype MostEqualsPosition = 255;  // 1-based

// The value of a settings line: everything after the first "=", or the whole line.
std::optional<QString> lineValue(const QString &line)
{
    const qsizetype equals = line.indexOf(u'=');
    if (equals >= MostEqualsPosition)
        return std::nullopt;
    const QString value = equals < 0 ? line : line.mid(equals + 1);
    if (value.size() > MostValueLength)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<Settings> parseSettings(const QByteArray &contents)
{
    // A line ends at a line feed, with or without a carriage return before it, or at the end of
    // the file; a file that ends with a line end holds no further, empty line.
    QList<QByteArray> lines = contents.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() < 2)
        return std::nullopt;
    for (QByteArray &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);

    const auto rate = lineValue(QString::fromLatin1(lines[0]));
    const auto port = lineValue(QString::fromLatin1(lines[1]));
    if (!rate || !port)
        return std::nullopt;
    const auto number = readPortNumber(*port);
    if (!number)
        return std::nullopt;
    return Settings{*rate, *number};
}

std::optional<Settings> readSettings(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Two lines of at most about 270 characters each; a huge file is not a settings file.
    constexpr qint64 mostBytes = 64 * 1024;
    const QByteArray contents = file.read(mostBytes);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return parseSettings(contents);
}

bool writeSettings(const QString &path, const Settings &settings)
{
    // A read-only file is replaced too. QSaveFile refuses to open over a file it may not write,
    // so the old file is made writable first and gets its mode back when the write fails.
    QFile old(path);
    const bool oldExists = old.exists();
    // The mode bits alone: the "User" flags tell what this process may do (everything, for
    // root) and would be set as the owner's bits when the mode is given back.
    const QFileDevice::Permissions oldMode =
        old.permissions()
        & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    const QFileDevice::Permissions writable = oldMode | QFileDevice::WriteOwner;
    if (oldExists && oldMode != writable)
        old.setPermissions(writable);

    // Written to a temporary file and renamed over the old one, so a failed write (a full disk)
    // leaves the old file whole.
    QSaveFile file(path);
    const QByteArray text = "BaudRate=" + settings.BaudRate.toLatin1() + "\r\nCommPort="
                            + QByteArray::number(settings.CommPort) + "\r\n";
    const bool written =
        file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(text) == text.size()
        && file.commit();
    if (!written && oldExists && oldMode != writable)
        old.setPermissions(oldMode);
    return written;
}

void removeSettings(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return;
    // A read-only file goes too.
    file.setPermissions(file.permissions() | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    file.remove();
}
