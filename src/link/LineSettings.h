#pragma once

#include <QString>

#include <optional>

// "460800N,8,1" or "460800,N,8,1": the baud rate, when the text names a rate with no parity,
// 8 data bits and 1 stop bit; nothing for any other text (a rate that is not a positive whole
// number, another parity or frame).
std::optional<qint32> parseLineSettings(const QString &settings);
