#pragma once

#include "link/SerialPortComm.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <optional>

// The link layer's tests: a scratch ports folder as the program keeps one, links com<N> naming
// the device of port N, and the serial component on it.
struct Ports {
    QTemporaryDir folder;
    const QString dir = folder.filePath(QStringLiteral("ports"));

    QString path(int number) const { return QDir(dir).filePath(QStringLiteral("com%1").arg(number)); }
    bool link(int number, const QString &target) const
    {
        return QDir().mkpath(dir) && QFile::link(target, path(number));
    }
    std::unique_ptr<SerialPortComm> open(int number = 1,
                                         SerialDriverFlags &driver = SerialDriverFlags::system()) const
    {
        auto comm = std::make_unique<SerialPortComm>(dir, driver);
        comm->PortNumber(static_cast<qint16>(number));
        comm->PortOpen(true);
        return comm;
    }
};

inline std::optional<CommFault> faultOf(SaxComm &comm)
{
    const auto error = comm.takeError();
    return error ? std::optional(error->fault) : std::nullopt;
}
