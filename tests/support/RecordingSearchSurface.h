#pragma once

#include "commands/SearchSurface.h"

#include <QStringList>

#include <functional>

// The port search window as the search sees it: every port number shown, in order.
class RecordingSearchSurface : public SearchSurface {
public:
    void setPortText(const QString &text) override
    {
        port = text;
        portsShown << text;
    }
    QString portText() const override { return port; }
    void setSearchText(const QString &text) override { search = text; }
    void letEventsRun() override
    {
        ++eventRuns;
        if (onEvents)
            onEvents();
    }
    void unload() override { ++unloads; }

    QString port;
    QStringList portsShown;
    QString search = QStringLiteral("Searching for Com Port  -  -  - ");
    int eventRuns = 0;
    int unloads = 0;
    // Runs whenever the search lets events run, before the port shown is tried.
    std::function<void()> onEvents;
};
