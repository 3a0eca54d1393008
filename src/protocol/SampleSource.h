#pragma once

#include <QByteArray>

// Where an upload's samples come from: a wave file read as it goes, or anything else that can
// hand out the unit's 16-bit words in order. The transfer opens it, asks for words block by
// block and closes it, whatever the outcome.
class SampleSource {
public:
    virtual ~SampleSource() = default;

    // False when the samples cannot be had at all.
    virtual bool open() = 0;
    // Appends the next `words` words, high byte first; past the end of the audio, silence.
    virtual void appendWords(QByteArray &out, int words) = 0;
    // False once reading the samples failed; the words appended since are not to be sent.
    virtual bool healthy() const = 0;
    virtual void close() = 0;
};
