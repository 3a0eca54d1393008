#include "Preload.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double toneHz = 440.0;
constexpr double amplitude = 8000.0; // of 32767: clearly audible, nowhere near clipping

} // namespace

QByteArray Preload::tone(quint32 rate, double seconds)
{
    const auto samples = static_cast<qsizetype>(std::llround(seconds * rate));
    QByteArray audio;
    audio.reserve(samples * 2);
    for (qsizetype i = 0; i < samples; ++i) {
        const double phase = 2.0 * std::numbers::pi * toneHz * double(i) / double(rate);
        const auto word = static_cast<qint16>(std::lround(amplitude * std::sin(phase)));
        // Offset binary, as the host sends every word of an upload: silence is 0x8000.
        const auto bits = static_cast<quint16>(static_cast<quint16>(word) ^ 0x8000u);
        audio += static_cast<char>(bits >> 8);
        audio += static_cast<char>(bits & 0xFF);
    }
    return audio;
}

std::optional<Preload> Preload::parse(const QString &text, QString *problem)
{
    const auto fail = [&](const QString &why) -> std::optional<Preload> {
        if (problem)
            *problem = QStringLiteral("--preload \"%1\": %2").arg(text, why);
        return std::nullopt;
    };
    const QStringList fields = text.split(QLatin1Char(':'));
    if (fields.size() < 4)
        return fail(QStringLiteral("expected LOCATION:NAME:RATE:SECONDS"));
    bool ok = false;
    const int location = fields.first().toInt(&ok);
    if (!ok || location < 1 || location > LocationCount)
        return fail(QStringLiteral("the location must be 1 to 8"));
    const QString name = fields.mid(1, fields.size() - 3).join(QLatin1Char(':'));
    const uint rate = fields.at(fields.size() - 2).toUInt(&ok);
    if (!ok || rate < 1000 || rate > 96000)
        return fail(QStringLiteral("the rate must be 1000 to 96000 Hz"));
    const double seconds = fields.last().toDouble(&ok);
    if (!ok || !(seconds > 0))
        return fail(QStringLiteral("the seconds must be a number above 0"));
    const double audioBytes = std::round(seconds * rate) * 2;
    const int roomLocations = LocationCount - (location - 1);
    if (audioBytes + MessageOverhead
        > double(roomLocations) * LocationBytes)
        return fail(QStringLiteral("the tone does not fit between location %1 and location 8")
                        .arg(location));

    Preload preload;
    preload.location = location - 1;
    preload.message.name = name.toLatin1().left(16).leftJustified(16, ' ');
    preload.message.sampleRate = rate;
    preload.message.audio = tone(rate, seconds);
    return preload;
}

QStringList Preload::demoTexts()
{
    return { QStringLiteral("1:Lobby chime:8000:3.0"), QStringLiteral("3:Opening hours:22050:30.0"),
        QStringLiteral("8:Goodbye:11025:2.5") };
}

void Preload::storeDemo(UnitEngine &engine)
{
    for (const QString &text : demoTexts())
        if (const auto preload = parse(text, nullptr))
            engine.store(preload->location, preload->message);
}
