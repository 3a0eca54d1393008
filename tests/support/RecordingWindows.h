#pragma once

#include "commands/WindowHost.h"

#include <QStringList>

#include <functional>

// Which windows the logic asked for, in order.
class RecordingWindows : public WindowHost {
public:
    void showMainWindow() override { record(QStringLiteral("main")); }
    void reloadMainWindow() override { record(QStringLiteral("reload main")); }
    bool mainWindowLoaded() const override { return mainLoaded; }
    void showSerialSet() override { record(QStringLiteral("serial set")); }
    void showSerialSearch() override { record(QStringLiteral("serial search")); }
    void showHelp() override { record(QStringLiteral("help")); }
    void showAbout() override { record(QStringLiteral("about")); }
    void exitProgram() override { record(QStringLiteral("exit")); }

    QStringList calls;
    bool mainLoaded = false;
    std::function<void(const QString &)> onCall;

private:
    void record(const QString &call)
    {
        calls << call;
        if (onCall)
            onCall(call);
    }
};
