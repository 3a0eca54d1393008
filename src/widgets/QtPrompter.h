#pragma once

#include "commands/Prompter.h"

// Message boxes and the file-open dialog as Qt dialogs, over whichever program window is active.
class QtPrompter : public Prompter {
public:
    void message(const QString &text, const QString &title = ProgramTitle) override;
    bool askYesNo(const QString &text, const QString &title) override;
    QString openFileName(const QString &initialFolder, const QString &filter) override;
};
