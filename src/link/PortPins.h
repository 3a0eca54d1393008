#pragma once

#include <QString>

#include <optional>

// Pinning a port number to an adapter: the link <portsDir>/comN to the adapter's stable path,
// so that the number opens that adapter whatever order adapters are plugged in (see PortMap).

// Makes the link, replacing a link that was there; anything else at that name is left alone.
// The reason when it could not be made.
std::optional<QString> pinPort(const QString &portsDir, int number, const QString &target);
// Removes the link; the number then follows the system's order again.
std::optional<QString> unpinPort(const QString &portsDir, int number);
