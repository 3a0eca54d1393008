#pragma once

#include "commands/MainSurface.h"

#include <QList>

#include <array>
#include <functional>

// The main window as the commands see it, kept in plain fields so tests can look at every
// text and state, and at every status text in the order it was shown.
class RecordingSurface : public MainSurface {
public:
    void setStatus(const QString &text) override
    {
        statusText = text;
        statuses << text;
    }
    QString status() const override { return statusText; }

    void setMessageText(int index, const QString &text) override { names.at(index) = text; }
    QString messageText(int index) const override { return names.at(index); }
    void setBarWidth(int index, int twips) override { widths.at(index) = twips; }
    int barWidth(int index) const override { return widths.at(index); }
    void setBarColor(int index, Rgb colour) override { colours.at(index) = colour; }
    Rgb barColor(int index) const override { return colours.at(index); }

    void addModeItems(const QStringList &items) override { modeItems << items; }
    void addDelayItems(const QStringList &items) override { delayItems << items; }
    void setModeText(const QString &text) override { mode = text; }
    QString modeText() const override { return mode; }
    void setDelayText(const QString &text) override { delay = text; }
    QString delayText() const override { return delay; }

    void setAbortEnabled(bool enabled) override { abort = enabled; }
    bool abortEnabled() const override { return abort; }

    void setProgressVisible(bool visible) override { progressVisible = visible; }
    void setProgressValue(int percent) override
    {
        progress = percent;
        progressValues << percent;
    }

    void SetBusyControls() override
    {
        busy = true;
        abort = true;
        states << QStringLiteral("busy");
    }
    void SetIdleControls() override
    {
        busy = false;
        abort = false;
        states << QStringLiteral("idle");
    }

    void selectLocation(int index) override { selected = index; }
    void focusDirectory() override { directoryFocused = true; }
    bool autoReduceChecked() const override { return autoReduce; }
    void setUnitCommandsEnabled(bool enabled) override { unitCommandsEnabled = enabled; }

    bool letEventsRun() override
    {
        ++eventRuns;
        if (onEvents)
            onEvents();
        return !unloaded;
    }

    QString statusText;
    QStringList statuses;
    std::array<QString, 8> names;
    std::array<int, 8> widths{};
    std::array<Rgb, 8> colours{};
    QStringList modeItems;
    QStringList delayItems;
    QString mode;
    QString delay;
    bool abort = false;
    bool progressVisible = false;
    int progress = 0;
    QList<int> progressValues;
    bool busy = false;
    QStringList states;  // "busy" and "idle", in order
    int selected = 0;
    bool directoryFocused = false;
    bool autoReduce = true;
    bool unitCommandsEnabled = true;
    int eventRuns = 0;
    // Set by a test to play a window unloaded while the command let events run.
    bool unloaded = false;
    // Runs whenever the command lets events run: a test presses Stop from here.
    std::function<void()> onEvents;
};
