#pragma once

#include "RecordingPrompter.h"
#include "RecordingSurface.h"
#include "RecordingWindows.h"

#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "settings/AppPaths.h"
#include "settings/Declarations.h"
#include "commands/MainController.h"

#include <QTemporaryDir>

#include <memory>

// A fresh program for one test: its folder, its state, the recorders, a simulated unit on
// port 1 and a main window controller talking to it over the virtual clock.
struct UnitFixture {
    UnitFixture();

    // Creates the controller (a loaded main window) without running its load.
    MainController &createController();
    // Creates the controller and runs Form_Load.
    MainController &load();

    QTemporaryDir folder;
    AppPaths paths;
    VirtualClock clock;
    UnitEngine unit;
    modDeclarations declarations;
    RecordingSurface surface;
    RecordingPrompter prompter;
    RecordingWindows windows;
    std::unique_ptr<MainController> controller;
    SimComm *comm = nullptr;  // owned by the controller
};
