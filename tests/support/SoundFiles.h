#pragma once

#include <QString>

#include <sndfile.h>

#include <vector>

// Sound files made by libsndfile itself, for the tests of the decoder and of loading them.

// `frames` frames of 16-bit samples, interleaved: channel 0 a 440 Hz tone at `level` of full
// scale, every other channel a different tone, so that a decoder that hands over the wrong
// channel is caught.
std::vector<qint16> tones(qint64 frames, int rate, int channels, double level);

// Writes the samples with libsndfile in the given format (SF_FORMAT_...). Empty, or what went
// wrong. 16-bit files are written from the words themselves; lossy ones from floats
// (word / 32768), as libsndfile 1.2.0 mixes up the channels of a stereo MP3 written from 16-bit
// samples.
QString writeSound(
    const QString &path, int format, int rate, int channels, const std::vector<qint16> &samples);
