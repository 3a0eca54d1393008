#include "link/LineSettings.h"

std::optional<qint32> parseLineSettings(const QString &settings)
{
    QString rest = settings.trimmed();
    static const QString frame = QStringLiteral("N,8,1");
    if (!rest.endsWith(frame, Qt::CaseInsensitive))
        return std::nullopt;
    rest.chop(frame.size());
    if (rest.endsWith(u','))
        rest.chop(1);
    bool ok = false;
    const qint32 baud = rest.toInt(&ok);
    if (!ok || baud <= 0 || rest.startsWith(u'+'))
        return std::nullopt;
    return baud;
}
