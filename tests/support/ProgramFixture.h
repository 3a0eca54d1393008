#pragma once

// For the window tests only: they link the widget library.

#include "RecordingPrompter.h"

#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "settings/AppPaths.h"
#include "commands/MainController.h"
#include "widgets/Program.h"
#include "widgets/frmMain1.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// The whole program in a scratch folder on the in-process simulated unit; message boxes are
// recorded instead of shown.
struct ProgramFixture {
    explicit ProgramFixture(qint16 unitPort = 1)
    {
        unit.keepReceived(true);
        auto recorder = std::make_unique<RecordingPrompter>();
        prompter = recorder.get();
        program = std::make_unique<Program>(
            AppPaths::inFolder(folder.path()),
            [this, unitPort] {
                auto sim = std::make_unique<SimComm>(unit, clock, unitPort);
                comm = sim.get();
                return sim;
            },
            std::move(recorder));
    }

    // The main window, loaded; the start-up's directory read is not what the tests look at.
    frmMain1 *open()
    {
        program->showMainWindow();
        frmMain1 *window = program->mainWindow();
        if (window)
            window->controller().timers().Timer2.stop();
        return window;
    }

    QString settingsFile() const { return program->paths().settingsFile; }

    static bool writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    // setup.txt as it stands, or "<missing>".
    QByteArray settings() const
    {
        QFile file(settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir folder;
    VirtualClock clock;
    UnitEngine unit;
    RecordingPrompter *prompter = nullptr;
    SimComm *comm = nullptr;  // of the latest main window
    std::unique_ptr<Program> program;
};
