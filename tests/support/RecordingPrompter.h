#pragma once

#include "commands/Prompter.h"

#include <QList>
#include <QStringList>

// Message boxes and dialogs answered from a script; every text shown is kept in order.
class RecordingPrompter : public Prompter {
public:
    struct Shown {
        QString text;
        QString title;
        bool question = false;
    };

    void message(const QString &text, const QString &title) override
    {
        shown.append(Shown{text, title, false});
    }
    bool askYesNo(const QString &text, const QString &title) override
    {
        shown.append(Shown{text, title, true});
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    QString openFileName(const QString &initialFolder, const QString &filter) override
    {
        dialogFolders << initialFolder;
        dialogFilters << filter;
        return files.isEmpty() ? QString() : files.takeFirst();
    }

    QStringList texts() const
    {
        QStringList all;
        for (const Shown &s : shown)
            all << s.text;
        return all;
    }

    QList<Shown> shown;
    QList<bool> answers;  // for askYesNo, in order; No when none is left
    QStringList files;    // for openFileName, in order; none chosen when none is left
    QStringList dialogFolders;
    QStringList dialogFilters;
};
