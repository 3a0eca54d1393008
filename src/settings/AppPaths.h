#pragma once

#include <QString>

// Where the program finds its files. A program run from its build folder keeps them all beside
// itself; an installed one keeps the settings file and the port links in the user's
// configuration folder and reads help.txt and the sample wave files from the installed data
// folder, since the program's folder is usually not writable there.
struct AppPaths {
    QString programDir;
    QString settingsFile;  // setup.txt
    QString helpFile;      // help.txt
    QString waveDir;       // initial folder of the open dialog
    QString portsDir;      // links comN naming the device of port N

    // The installed data folder, relative to the program's folder.
    static QString installedDataDir(const QString &programDir);

    // Everything inside one folder; what tests and the build folder use.
    static AppPaths inFolder(const QString &folder);
    // Decides between the layouts for a program in programDir. configDir is the user's
    // configuration folder, used when the program's own folder is not the place for settings.
    static AppPaths forLayout(const QString &programDir, const QString &configDir);
    // The paths of the running program; creates the configuration folder when it is used.
    static AppPaths forProgram();
};
