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
// answers at once or from the event loop, the way a user's click arrives.
class ScriptedOverflow : public OverflowPrompt {
public:
    void showOverflow(
        modDeclarations &declarations, int location, std::function<void()> answered) override
    {
        ++showings;
        shown = overflowTexts(declarations.DataSize, declarations.SampleRate, location,
            declarations.LocationCapacity);
        shownRate = declarations.SampleRate;
        shownSize = declarations.DataSize;
        m_declarations = &declarations;
        m_answered = answered;
        auto respond = [this, &declarations] {
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
        };
        if (later)
            QTimer::singleShot(0, respond);
        else
            respond();
    }
    void cancelOverflow() override
    {
        if (!m_answered)
            return;
        m_declarations->OverflowChoice = QStringLiteral("Cancel");
        std::exchange(m_answered, {})();
    }

    QString answer = QStringLiteral("Cancel"); // "Proceed", "Down Sample", "Cancel"; empty: never
    bool later = true;
    std::function<void()> whileWaiting;
    // Runs after the answer, before the waiting command goes on.
    std::function<void()> afterAnswer;
    int showings = 0;
    OverflowTexts shown;
    qint32 shownRate = 0;
    qint32 shownSize = 0;

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

    QString writeWave(const QString &name, const WaveFile &wave)
    {
        const QString path = paths.waveDir + QLatin1Char('/') + name;
        wave.write(path);
        return path;
    }

    // Chooses `path` in the open dialog and runs the Update command.
    void update(const QString &path)
    {
        prompter.files << path;
        controller->cmdChange_Click();
    }

    ScriptedOverflow overflow;
};

// 16-bit samples of a shape that makes every frame and channel tell apart.
inline QByteArray pcm16(int frames, int channels, int seed = 0)
{
    QByteArray data;
    data.reserve(frames * channels * 2);
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const auto sample = static_cast<quint16>((f * 97 + c * 4099 + seed * 31) & 0xFFFF);
            data += static_cast<char>(sample & 0xFF);
            data += static_cast<char>(sample >> 8);
        }
    }
    return data;
}

inline QByteArray pcm8(int frames, int channels, int seed = 0)
{
    QByteArray data;
    data.reserve(frames * channels);
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            data += static_cast<char>((f * 7 + c * 50 + seed) & 0xFF);
    return data;
}

// What the unit should receive for a 16-bit file: the first channel of every 2^steps-th frame,
// offset binary, high byte first. Worked out here the long way, apart from the code under test.
inline QByteArray expectedWords16(const QByteArray &data, int channels, int steps, int words)
{
    QByteArray out;
    const int frameBytes = channels * 2;
    for (int w = 0; w < words; ++w) {
        const qint64 at = static_cast<qint64>(w) * (1 << steps) * frameBytes;
        int sample = 0;
        if (at + 1 < data.size())
            sample = static_cast<qint16>(
                static_cast<quint8>(data[at]) | static_cast<quint8>(data[at + 1]) << 8);
        const int offset = sample + 32768;
        out += static_cast<char>(offset >> 8);
        out += static_cast<char>(offset & 0xFF);
    }
    return out;
}

// The high bytes an 8-bit file gives (its low bytes are noise).
inline QByteArray expectedHighBytes8(const QByteArray &data, int channels, int steps, int words)
{
    QByteArray out;
    for (int w = 0; w < words; ++w) {
        const qint64 at = static_cast<qint64>(w) * (1 << steps) * channels;
        out += at < data.size() ? data[at] : '\x80';
    }
    return out;
}

// The line after the command's acknowledgement, built here apart from the code under test:
// the 31-byte header, then blocks of 224, 256 ... bytes, each after its count (0 for 256).
inline QByteArray expectedUploadStream(const QByteArray &name, qint32 rate, const QByteArray &words)
{
    const auto le = [](qint64 v) {
        const char bytes[] { char(v), char(v >> 8), char(v >> 16), char(v >> 24) };
        return QByteArray(bytes, 4);
    };
    QByteArray out = name + le(rate) + "stop" + le(words.size()) + QByteArray(2, '\0') + '\r';
    for (qsizetype at = 0, n = 224; at < words.size(); at += n, n = qMin<qsizetype>(256, words.size() - at))
        out += char(n == 256 ? 0 : n) + words.mid(at, n);
    return out;
}
