#pragma once

#include <QString>

// Where the program finds its files. A program run from its build folder keeps them all beside
// itself; an installed one, whose folder is not writable, keeps the settings file and the port
// links in the user's configuration folder and reads help.txt and the sample wave files from
// the installed data folder.
struct AppPaths {
    QString programDir;
    QString settingsFile;  // setup.txt
    QString helpFile;      // help.txt
    QString waveDir;       // initial folder of the open dialog
    QString portsDir;      // links comN naming the device of port N

    // Everything inside one folder; what tests and the build folder use.
    static AppPaths inFolder(const QString &folder);
    // The paths of the running program.
    static AppPaths forProgram();
};
