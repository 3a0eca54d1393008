#pragma once

#include <QString>

// What the port search sees of its window frmSerialSearch. The window implements it with
// widgets; the tests with a recorder.
class SearchSurface {
public:
    virtual ~SearchSurface() = default;

    // txtPort: the port being tried; the user may type into it before the hand-over.
    virtual void setPortText(const QString &text) = 0;
    virtual QString portText() const = 0;
    // lblSearch
    virtual void setSearchText(const QString &text) = 0;
    // Lets pending events of all windows run once.
    virtual void letEventsRun() = 0;
    // The search window closes. The search is not used again once the running handler returns.
    virtual void unload() = 0;
};
