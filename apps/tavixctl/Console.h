#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Where tavixctl talks to people and scripts: results on stdout, one line per failure on stderr,
// questions only where someone can answer them.
namespace Console {

// A line of results on stdout.
void out(const QString &line);
// A line on stderr, after the program's name.
void error(const QString &line);

// Someone can answer a question: stdin is a terminal.
bool canAsk();
// stdout is a terminal: progress is shown as a bar redrawn in place.
bool stdoutIsTerminal();

// Asks on stderr and reads the answer from stdin: y or yes, n or no, any letter case. Nothing
// when the input ends first.
std::optional<bool> askYesNo(const QString &question);
// Asks for one of `choices` (typed in full, or its first letter when no other choice shares it).
// Nothing when the input ends first.
std::optional<QString> askChoice(const QString &question, const QStringList &choices);

// Text drawn over the current terminal line (no line end), and the end of such a line.
void redraw(const QString &text);
void endRedrawn();

} // namespace Console
