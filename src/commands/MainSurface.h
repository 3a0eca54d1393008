#pragma once

#include <QString>
#include <QStringList>

// A colour as 0xRRGGBB, so that the logic below the windows needs no GUI library.
using Rgb = quint32;

// What the main window's commands see of the window. The window implements it with widgets;
// the tests implement it with a recorder.
class MainSurface {
public:
    virtual ~MainSurface() = default;

    // lblStatus: each new text replaces the old one.
    virtual void setStatus(const QString &text) = 0;
    virtual QString status() const = 0;

    // txtMsg(index).Text
    virtual void setMessageText(int index, const QString &text) = 0;
    virtual QString messageText(int index) const = 0;

    // shpFill(index): width in twips (0 to 800) and fill colour.
    virtual void setBarWidth(int index, int twips) = 0;
    virtual int barWidth(int index) const = 0;
    virtual void setBarColor(int index, Rgb colour) = 0;
    virtual Rgb barColor(int index) const = 0;

    // The lists are filled by the window's load; their texts may hold values the lists lack.
    virtual void addModeItems(const QStringList &items) = 0;
    virtual void addDelayItems(const QStringList &items) = 0;
    virtual void setModeText(const QString &text) = 0;
    virtual QString modeText() const = 0;
    virtual void setDelayText(const QString &text) = 0;
    virtual QString delayText() const = 0;

    // cmdAbort, the Stop button.
    virtual void setAbortEnabled(bool enabled) = 0;
    virtual bool abortEnabled() const = 0;

    // prbLoading: position 0 to 100.
    virtual void setProgressVisible(bool visible) = 0;
    virtual void setProgressValue(int percent) = 0;

    virtual void SetBusyControls() = 0;
    virtual void SetIdleControls() = 0;

    // optLoc(index).Value = True: moves the selection mark to that row.
    virtual void selectLocation(int index) = 0;
    // Gives cmdDirectory the keyboard focus.
    virtual void focusDirectory() = 0;
    // The check mark of Tools, Auto Reduce.
    virtual bool autoReduceChecked() const = 0;

    // While one command is talking to the unit, the entries that would start another exchange
    // are refused; this greys them out.
    virtual void setUnitCommandsEnabled(bool enabled) = 0;

    // Lets pending window events run once (Stop, the selectors, timers). False when the window
    // was unloaded meanwhile (the user chose Exit): the command then ends at once, quietly.
    virtual bool letEventsRun() = 0;
};
