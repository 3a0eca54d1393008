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
    removeSettings(path);
    // Written to a temporary file and renamed, so a failed write never leaves half a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = "BaudRate=" + settings.BaudRate.toLatin1() + "\r\nCommPort="
                            + QByteArray::number(settings.CommPort) + "\r\n";
    if (file.write(text) != text.size())
        return false;
    return file.commit();
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
