#include "ExitStatus.h"

QString exitStatusHelp()
{
    return QStringLiteral("Exit status:\n"
                          "  0    success\n"
                          "  64   usage error (unknown subcommand or option, bad value)\n"
                          "  65   file refused (unreadable, bad header, already loaded, too big,\n"
                          "       or a question no one can answer without --yes or --overflow)\n"
                          "  66   port not available (no such port or device, cannot be opened)\n"
                          "  69   no unit answering on the port\n"
                          "  74   the unit reported a failure (refused or left a command\n"
                          "       unanswered, the line failed, or the read-back differs)\n"
                          "  130  interrupted (Ctrl-C) or cancelled at a question\n");
}
