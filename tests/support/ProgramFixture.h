#pragma once

// For the window tests only: they link the widget library.
#include "RecordingPrompter.h"
#include "SimComm.h"
#include "UnitEngine.h"
#include "VirtualClock.h"
#include "WaveFile.h"
#include "commands/MainController.h"
#include "link/SaxComm.h"
#include "settings/AppPaths.h"
#include "widgets/Program.h"
#include "widgets/frmMain1.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

template <typename T = QWidget>
T *child(const QObject *parent, const QString &name)
{
    return parent ? parent->findChild<T *>(name) : nullptr;
}

// A click as the user makes it: a menu entry chosen, a control clicked, "close": the close control.
inline void press(QObject *window, const QString &name)
{
    if (name == u"close")
        static_cast<QWidget *>(window)->close();
    else if (auto *entry = child<QAction>(window, name))
        entry->trigger();
    else
        QTest::mouseClick(child(window, name), Qt::LeftButton);
}

// Windows that were unloaded go once the event loop is back at the top.
inline void deleteUnloaded() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// Runs `inside` from the program's event loop; the loop's exit code (99: nothing ended it).
inline int runEventLoop(const std::function<void()> &inside)
{
    QTimer hung;
    hung.setSingleShot(true);
    QObject::connect(&hung, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    hung.start(5000);
    QTimer::singleShot(0, &hung, inside);
    return QCoreApplication::exec();
}

// The whole program in a scratch folder on the in-process simulated unit (or on `ports`);
// message boxes are recorded instead of shown.
struct ProgramFixture {
    explicit ProgramFixture(qint16 unitPort = 1)
        : ProgramFixture([this, unitPort]() -> std::unique_ptr<SaxComm> {
              auto sim = std::make_unique<SimComm>(unit, clock, unitPort);
              comm = sim.get();
              return sim;
          })
    {
    }
    explicit ProgramFixture(const Program::CommFactory &ports)
    {
        unit.keepReceived(true);
        auto recorder = std::make_unique<RecordingPrompter>();
        prompter = recorder.get();
        program = std::make_unique<Program>(AppPaths::inFolder(folder.path()), ports, std::move(recorder));
    }

    // The main window, loaded, its line record starting after the connection check.
    frmMain1 *open()
    {
        program->showMainWindow();
        window = program->mainWindow();
        if (window)
            window->controller().timers().Timer2.stop();  // the start-up's directory read
        if (window && comm)
            comm->clearLine();
        return window;
    }

    // The main window with the search pending, and the search window that Timer3 opens.
    frmSerialSearch *startSearch()
    {
        program->declarations().AutoSearchPending = true;
        open();
        program->showSerialSearch();
        return program->serialSearchWindow();
    }

    // A 16-bit mono wave file of `bytes` bytes of audio in the scratch folder.
    QString writeWave(int bytes) const
    {
        WaveFile wave;
        wave.data = QByteArray(bytes, '\x10');
        const QString path = folder.filePath(QStringLiteral("Lobby.wav"));
        return wave.write(path) ? path : QString();
    }

    // setup.txt as it stands, or "<missing>".
    QByteArray settings() const
    {
        QFile file(program->paths().settingsFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir folder;
    VirtualClock clock;
    UnitEngine unit;
    RecordingPrompter *prompter = nullptr;
    SimComm *comm = nullptr;  // of the latest main window
    std::unique_ptr<Program> program;
    frmMain1 *window = nullptr;  // opened by open()
};
