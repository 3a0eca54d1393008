#pragma once

#include <QString>

// What a run of tavixctl ends with. Scripts switch on the status: 0 is success and nothing else
// is; each failure class has its own code, after the BSD sysexits names where one fits.
enum ExitStatus : int {
    ExitOk = 0,
    ExitUsage = 64, // EX_USAGE: the command line is wrong
    ExitFileRefused = 65, // EX_DATAERR: the sound file cannot be loaded as asked
    ExitNoPort = 66, // EX_NOINPUT: the port is missing or cannot be opened
    ExitNoUnit = 69, // EX_UNAVAILABLE: the port opened, but no unit answered
    ExitUnitFailed
    = 74, // EX_IOERR: the unit refused or left a command unanswered, or the line failed
    ExitInterrupted = 130, // Ctrl-C, or a question answered No or Cancel
};

// How a subcommand ended: a status, and for a failure the one line that says why.
struct Outcome {
    int status = ExitOk;
    QString message;

    static Outcome ok() { return {}; }
    static Outcome fail(int status, const QString &message) { return { status, message }; }
    bool succeeded() const { return status == ExitOk; }
};

// The table of exit statuses for --help.
QString exitStatusHelp();
