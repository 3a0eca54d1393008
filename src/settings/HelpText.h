#pragma once

#include <QString>

#include <optional>

// The instructions file help.txt, whole and unchanged, line ends included; nothing when it
// cannot be read (missing, not a file, unreadable, or far too large to be instructions).
std::optional<QString> readHelpText(const QString &path);

inline const QString HelpInitialText = QStringLiteral("Text1");
