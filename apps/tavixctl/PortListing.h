#pragma once

#include "link/PortInventory.h"

#include <QStringList>

// The lines of `tavixctl ports`, as the port selection window shows them: each port number that
// has a device, with the device, what the system says of the adapter ("-" for nothing), whether
// this user may open it, and whether the number is pinned to it. Tab-separated, for scripts.
QStringList portListing(const QList<PortInventoryRow> &ports);
