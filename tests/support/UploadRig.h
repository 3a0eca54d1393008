#pragma once

#include "UnitFixture.h"
#include "WaveFile.h"
#include "commands/OverflowPrompt.h"
#include "commands/OverflowTexts.h"
#include "protocol/UploadWire.h"

#include <QDir>
#include <QTimer>

#include <functional>
#include <utility>

// The overflow dialog answered from a script: it remembers what it would have shown, and
// answers from the event loop, the way a user's click arrives.
class ScriptedOverflow : public OverflowPrompt {
public:
    void showOverflow(
        modDeclarations &declarations, int location, std::function<void()> answered) override
    {
        ++showings;
        shown = overflowTexts(declarations.DataSize, declarations.SampleRate, location,
            declarations.LocationCapacity);
        m_declarations = &declarations;
        m_answered = answered;
        QTimer::singleShot(0, [this, &declarations] {
            if (whileWaiting)
                whileWaiting();
            if (!m_answered)
                return;
            if (answer == QStringLiteral("Down Sample"))
                chooseDownSample(declarations);
            else if (!answer.isEmpty())
                declarations.OverflowChoice = answer;
            if (!answer.isEmpty())
                std::exchange(m_answered, {})();
            if (afterAnswer)
                afterAnswer();
        });
    }
    void cancelOverflow() override
    {
        if (!m_answered)
            return;
        m_declarations->OverflowChoice = QStringLiteral("Cancel");
        std::exchange(m_answered, {})();
    }

    QString answer = QStringLiteral("Cancel"); // "Proceed", "Down Sample", "Cancel"; empty: never
    std::function<void()> whileWaiting;
    // Runs after the answer, before the waiting command goes on.
    std::function<void()> afterAnswer;
    int showings = 0;
    OverflowTexts shown;

private:
    modDeclarations *m_declarations = nullptr;
    std::function<void()> m_answered; // while a showing waits for its answer
};

// A loaded main window on the simulated unit, ready for Update commands.
struct UploadRig : UnitFixture {
    UploadRig()
    {
        createController();
        controller->timers().Timer2.stop();
        comm->PortNumber(1);
        comm->PortOpen(true);
        controller->setOverflowPrompt(&overflow);
        surface.autoReduce = false;
        QDir(folder.path()).mkpath(QStringLiteral("wavefiles"));
    }

    // Chooses `path` in the open dialog and runs the Update command.
    void update(const QString &path)
    {
        prompter.files << path;
        controller->cmdChange_Click();
    }

    ScriptedOverflow overflow;
};

// Samples of `bits` (16 or 8) of a shape that makes every frame and channel tell apart.
inline QByteArray pcm(int frames, int channels, int seed = 0, int bits = 16)
{
    QByteArray data;
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) {
            const int sample = bits == 8 ? f * 7 + c * 50 + seed : f * 97 + c * 4099 + seed * 31;
            data += char(sample);
            if (bits == 16)
                data += char(sample >> 8);
        }
    return data;
}
