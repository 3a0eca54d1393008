#pragma once

#include "commands/Prompter.h"

#include <QEventLoop>
#include <QList>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <utility>

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
        waitIfAsked();
    }
    bool askYesNo(const QString &text, const QString &title) override
    {
        shown.append(Shown{text, title, true});
        waitIfAsked();
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    QString openFileName(const QString &initialFolder, const QString &filter) override
    {
        dialogFolders << initialFolder;
        dialogFilters << filter;
        waitIfAsked();
        return files.isEmpty() ? QString() : files.takeFirst();
    }

    QStringList texts() const
    {
        QStringList all;
        for (const Shown &s : shown)
            all << s.text;
        return all;
    }

    // When set, the next box or dialog waits in a nested event loop, as a real one does: this
    // runs inside that loop, and the answer comes with a later event.
    std::function<void()> whileShown;

    QList<Shown> shown;
    QList<bool> answers;  // for askYesNo, in order; No when none is left
    QStringList files;    // for openFileName, in order; none chosen when none is left
    QStringList dialogFolders;
    QStringList dialogFilters;

private:
    void waitIfAsked()
    {
        if (!whileShown)
            return;
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [this, &loop] {
            std::exchange(whileShown, {})();
            QTimer::singleShot(0, &loop, &QEventLoop::quit);
        });
        loop.exec();
    }
};
