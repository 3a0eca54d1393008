#pragma once

#include <QString>

inline const QString ProgramTitle = QStringLiteral("Tavix");

// Message boxes and dialogs that wait for the user. Windows implement it with Qt dialogs; tests
// with a recorder that answers from a script.
class Prompter {
public:
    virtual ~Prompter() = default;

    // A message box with the OK button only and no icon.
    virtual void message(const QString &text, const QString &title = ProgramTitle) = 0;
    // Yes and No buttons and the question icon; true for Yes.
    virtual bool askYesNo(const QString &text, const QString &title) = 0;
    // The file-open dialog; an empty text when no file was chosen. The filters are in Qt's form,
    // "Wave Files (*.wav);;Sound Files (*.wav *.flac)", the first one chosen.
    virtual QString openFileName(const QString &initialFolder, const QString &filter) = 0;
};
