#pragma once

// Opening and closing the program's windows. The widget layer implements it; the logic asks
// for windows by what they are, never by their classes.
class WindowHost {
public:
    virtual ~WindowHost() = default;

    // Shows the main window, loading it first when it is not loaded.
    virtual void showMainWindow() = 0;
    // Unloads the main window if it is loaded (its port closes), then loads and shows it again.
    // Asked for while a command of the window runs, this happens once, after that command.
    virtual void reloadMainWindow() = 0;
    virtual bool mainWindowLoaded() const = 0;

    virtual void showSerialSet() = 0;     // port selection, not modal
    virtual void showSerialSearch() = 0;  // automatic port search, not modal
    virtual void showHelp() = 0;
    virtual void showAbout() = 0;

    // Ends the program at once: all windows close and the port is released.
    virtual void exitProgram() = 0;
};
