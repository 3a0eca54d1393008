#include "settings/NumberRules.h"

#include "link/PortMap.h"

#include <QString>

#include <cmath>
#include <limits>

double leadingNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    const qsizetype digitsStart = i;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128)
        ++i;
    bool anyDigit = i > digitsStart;
    if (i < n && text[i] == u'.') {
        ++i;
        const qsizetype fractionStart = i;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128)
            ++i;
        anyDigit = anyDigit || i > fractionStart;
    }
    if (!anyDigit)
        return 0.0;
    bool ok = false;
    const double value = text.mid(start, i - start).toString().toDouble(&ok);
    return ok ? value : 0.0;
}

std::optional<qint16> roundToInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);  // the default rounding mode: halves to even
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

std::optional<qint16> readPortNumber(QStringView text)
{
    return roundToInt16(leadingNumber(text));
}

std::optional<qint16> readPortChoice(QStringView text)
{
    const auto port = readPortNumber(text);
    if (!port || *port < FirstPortNumber || *port > LastPortNumber)
        return std::nullopt;
    return port;
}
