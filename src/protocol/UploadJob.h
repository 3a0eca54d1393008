#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>

class SampleSource;

// One message to load into the unit, prepared by the caller: where, under which name, at which
// rate, how many bytes, and where the samples come from.
struct UploadJob {
    int location = 0; // 0 to 7: the first location the message fills
    QByteArray name; // the 16 bytes the unit stores as the name
    std::array<quint8, 4> rateBytes {}; // the sample rate in Hz, least significant byte first
    // Bytes the unit receives (two per word sent). A shorter message than ShortestDataSize is
    // padded with silence to it, and the header then announces the padded size.
    qint32 dataSize = 0;
    SampleSource *samples = nullptr; // opened and closed by the transfer
};

// How the caller takes part in a transfer. Every hook may be left empty.
struct UploadHooks {
    // Runs once for each block, while the acknowledgement of what went out before it is
    // awaited (the caller lets its events run here); false ends the transfer at once, without
    // another byte on the line.
    std::function<bool()> beforeBlock;
    // At the top of each full block, before it goes out: data bytes the unit has acknowledged
    // so far, of `total`.
    std::function<void(qint32 sent, qint32 total)> progress;
    // Asked at the top of each full block and of the final one, after beforeBlock: true stops
    // the transfer there (Stop).
    std::function<bool()> cancelled;
};

enum class UploadCode {
    Stored, // the final block was answered "K": the unit holds the message
    NoLoadAck, // the command "L" was not answered "N"
    HeaderRefused, // the header was not answered "N"
    FirstBlockRefused, // the first block was not answered "N"
    PrematureK, // a full block was answered "K"
    TransmissionError, // a full block was answered neither "N" nor "K"
    NoFinalK, // the final block was not answered "K"
    Aborted, // cancelled() said so at a block boundary
    FileReadFailed, // the samples could not be opened or read
    CommFailed, // the serial component failed; its fault has been taken
    EndedByHook, // beforeBlock() returned false
    InvalidJob, // the job cannot be sent as it is; nothing went on the line
};

struct UploadOutcome {
    UploadCode code = UploadCode::Stored;
    // Data bytes the unit acknowledged; all of them (`total`) when the message was stored.
    qint32 bytesSent = 0;
    // The data size announced in the header: the job's, or ShortestDataSize when that is more.
    qint32 total = 0;
    // The component's text for CommFailed, what is wrong for InvalidJob; empty otherwise.
    QString detail;
    // The last acknowledgement read.
    QByteArray reply;

    bool ok() const { return code == UploadCode::Stored; }
};
