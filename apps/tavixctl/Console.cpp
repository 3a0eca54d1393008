#include "Console.h"

#include <cstdio>
#include <iostream>
#include <string>

#include <unistd.h>

namespace Console {

namespace {

std::optional<QString> readAnswer()
{
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    return QString::fromLocal8Bit(line.c_str()).trimmed().toLower();
}

} // namespace

void out(const QString &line)
{
    std::fputs(line.toLocal8Bit().append('\n').constData(), stdout);
    std::fflush(stdout);
}

void error(const QString &line)
{
    std::fputs(QStringLiteral("tavixctl: %1\n").arg(line).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

bool canAsk()
{
    return isatty(STDIN_FILENO) == 1;
}

bool stdoutIsTerminal()
{
    return isatty(STDOUT_FILENO) == 1;
}

std::optional<bool> askYesNo(const QString &question)
{
    for (;;) {
        std::fputs(QStringLiteral("%1 [y/n] ").arg(question).toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        const auto answer = readAnswer();
        if (!answer)
            return std::nullopt;
        if (*answer == u"y" || *answer == u"yes")
            return true;
        if (*answer == u"n" || *answer == u"no")
            return false;
    }
}

std::optional<QString> askChoice(const QString &question, const QStringList &choices)
{
    for (;;) {
        std::fputs(QStringLiteral("%1 [%2] ")
                       .arg(question, choices.join(QLatin1Char('/')))
                       .toLocal8Bit()
                       .constData(),
            stderr);
        std::fflush(stderr);
        const auto answer = readAnswer();
        if (!answer)
            return std::nullopt;
        QStringList matches;
        for (const QString &choice : choices)
            if (choice == *answer
                || (answer->size() == 1 && choice.startsWith(*answer, Qt::CaseInsensitive)))
                matches << choice;
        if (matches.size() == 1)
            return matches.first();
    }
}

void redraw(const QString &text)
{
    // Back to the line's start, the text, and whatever the last drawing left beyond it cleared.
    std::fputs(QStringLiteral("\r%1\x1b[K").arg(text).toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

void endRedrawn()
{
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

} // namespace Console
