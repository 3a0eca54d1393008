#include "link/TerminalIo.h"

#ifdef Q_OS_UNIX

#include <cerrno>

#include <poll.h>
#include <unistd.h>

namespace TerminalIo {

namespace {

bool nothingNow(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

// What a terminal says when its far end is gone: a pseudo-terminal whose other side closed
// fails with EIO, an unplugged adapter with ENODEV or ENXIO.
bool goneError(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE || error == EBADF;
}

} // namespace

Status wait(int descriptor, bool output, int ms)
{
    const short wanted = output ? POLLOUT : POLLIN;
    pollfd pfd { descriptor, wanted, 0 };
    const int ready = ::poll(&pfd, 1, ms);
    if (ready < 0)
        return errno == EINTR ? Status::TimedOut : Status::Failed;
    if (ready == 0)
        return Status::TimedOut;
    // Bytes that came before a hang-up are still the unit's; the read after them tells.
    if (pfd.revents & wanted)
        return Status::Ok;
    return Status::Gone;
}

Result write(int descriptor, const char *data, qint64 size)
{
    const ssize_t written = ::write(descriptor, data, static_cast<size_t>(size));
    if (written >= 0)
        return { Status::Ok, written };
    if (nothingNow(errno))
        return {};
    return { goneError(errno) ? Status::Gone : Status::Failed, 0 };
}

Result read(int descriptor, char *data, qint64 size)
{
    const ssize_t got = ::read(descriptor, data, static_cast<size_t>(size));
    // A terminal that polled readable and then reads as empty has hung up.
    if (got == 0)
        return { Status::Gone, 0 };
    if (got > 0)
        return { Status::Ok, got };
    if (nothingNow(errno))
        return {};
    return { goneError(errno) ? Status::Gone : Status::Failed, 0 };
}

} // namespace TerminalIo

#endif
