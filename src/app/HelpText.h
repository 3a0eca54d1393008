#pragma once

#include <QString>

#include <optional>

class Prompter;

// The instructions file help.txt, whole and unchanged, line ends included; nothing when it
// cannot be read (missing, not a file, unreadable, or far too large to be instructions).
std::optional<QString> readHelpText(const QString &path);

// What the instructions window shows when it loads: the file's text, or, after the message
// "No Instructions Available!", the text box's initial text.
QString helpWindowText(const QString &path, Prompter &prompter);

inline const QString HelpInitialText = QStringLiteral("Text1");
