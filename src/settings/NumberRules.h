#pragma once

#include <QStringView>

#include <optional>

// The number at the start of a text, the way settings values and typed port numbers are read:
// blanks before it are skipped, a sign and a decimal fraction are allowed, anything after it is
// ignored, and a text without a leading number gives 0.
double leadingNumber(QStringView text);

// Rounds to the nearest integer, halves to the even neighbour; nothing when it does not fit a
// 16-bit signed integer.
std::optional<qint16> roundToInt16(double value);

// Both together: the port number rules. Nothing when the number does not fit.
std::optional<qint16> readPortNumber(QStringView text);

// A port the user picks: read by the port number rules, and only a port that exists, 1 to 255.
// Nothing for any other number, so a typed 0, 300 or "COM3" is refused instead of stored.
std::optional<qint16> readPortChoice(QStringView text);
