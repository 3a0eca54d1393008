#pragma once

#include "link/PortMap.h"

#include <QStringList>

// The lines of `tavixctl ports`: each port number that has a device, with the device behind it,
// as the port selection window lists them; numbers without a device are left out.
QStringList portListing(const QList<PortAssignment> &ports);
