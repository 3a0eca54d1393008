#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// Bytes that a stored message occupies beyond its audio data.
inline constexpr qint32 MessageOverhead = 32;
inline constexpr int LocationCount = 8;

// The program-wide state. One object, owned by the application and handed to whoever needs
// it, so that every test starts from a fresh one.
struct modDeclarations {
    // Settings, from setup.txt.
    QString BaudRate = QStringLiteral("460800");
    qint16 CommPort = 1;
    bool AutoSearchPending = false;

    // Bytes per memory location; every main window load sets it.
    qint32 LocationCapacity = 1048576;
    // Index 0 to 7 of the selected location; location 1 is index 0.
    qint16 SelectedLocation = 0;
    // The 16-character name of the message in each location as the directory reports it
    // (one character per byte), empty for an empty location.
    std::array<QString, LocationCount> LocationNames;
    // "Load", "Play" or "Abort"; nothing resets it when an operation ends.
    QString CurrentOperation;
    // "Erased" for each location erased within the current command; index 8 is never used.
    std::array<QString, LocationCount + 1> ErasedMarks;

    // The overflow dialog's answer: "Wait" while it is open, then "Proceed", "Convert" or "Cancel".
    QString OverflowChoice;

    // The wave file of the running Update command, as its header describes it. The Update
    // command writes them, the transfer reads them; every byte copy agrees with its value when
    // the transfer starts.
    QString WavePath;
    // The fmt chunk's size plus every chunk walked between it and the data chunk; the first
    // sample byte lies FmtChunkLength + 28 bytes into the file (DataOffset).
    qint32 FmtChunkLength = 0;
    quint8 ChannelCount = 0;
    quint8 BitsPerSample = 0;
    qint32 SampleRate = 0;
    std::array<quint8, 4> SampleRateBytes{};  // SampleRateByte0 to 3, least significant first
    // Bytes the unit receives: two for every frame sent (only the first channel is sent).
    qint32 DataSize = 0;
    std::array<quint8, 4> DataSizeBytes{};  // DataSizeByte0 to 3, least significant first
    quint8 ExtraLocations = 0;
    // Halvings of the sample rate in this upload, 0 to 2: one frame in 2^ReduceSteps is sent.
    quint8 ReduceSteps = 0;
    // Where the first sample byte lies in the file, and how many sample bytes the data chunk
    // declares; what lies past either end is sent as silence.
    qint64 DataOffset = 0;
    qint64 DataChunkSize = 0;
};
