#pragma once

#include <QtGlobal>

// Reading and writing an open terminal device through its descriptor, one system call per
// step. The serial port's own buffered path takes several for each block of an upload: it wakes
// the event loop whenever its write buffer fills or empties, and every read polls again.
namespace TerminalIo {

enum class Status {
    Ok,
    TimedOut, // waits only: nothing within the wait, or a signal ended it early
    Gone, // the far end hung up, or the device went away
    Failed, // any other fault; errno tells which
};

struct Result {
    Status status = Status::Ok;
    qint64 bytes = 0;
};

// Waits up to `ms` (0: not at all) until the device can be read, or written when `output`. Ok
// also when the far end has gone but bytes are still there to read.
Status wait(int descriptor, bool output, int ms);
// What the device takes now, without waiting; Ok with 0 bytes when it takes nothing yet.
Result write(int descriptor, const char *data, qint64 size);
// At most `size` bytes of what is there now; call it after wait() said Ok, since a terminal
// that reads as empty then has hung up (Gone).
Result read(int descriptor, char *data, qint64 size);

} // namespace TerminalIo
