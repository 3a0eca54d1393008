#pragma once

#include "SimComm.h"

#include <QStringList>

// The line as a list of short texts, one per write or read, so that a test compares the whole
// conversation byte for byte and a failure shows where it went apart:
//   "> D"            a write; printable characters as they are, a carriage return as \r,
//                    other bytes as \xNN
//   "< 29/1000: 29"  a read: ReadCount/ReadWait, then how many bytes came
inline QString lineText(const QByteArray &bytes)
{
    QString text;
    for (char c : bytes) {
        const auto byte = static_cast<quint8>(c);
        if (byte == '\r')
            text += QStringLiteral("\\r");
        else if (byte >= 0x20 && byte < 0x7F)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return text;
}

inline QStringList lineScript(const SimComm &comm)
{
    QStringList script;
    for (const SimComm::LineEvent &event : comm.line()) {
        if (event.kind == SimComm::LineEvent::Write)
            script << QStringLiteral("> ") + lineText(event.bytes);
        else
            script << QStringLiteral("< %1/%2: %3")
                          .arg(event.count)
                          .arg(event.waitMs)
                          .arg(event.bytes.size());
    }
    return script;
}

// The writes of one command: the letter and each parameter as its own write.
inline QStringList writes(std::initializer_list<const char *> parts)
{
    QStringList script;
    for (const char *part : parts)
        script << QStringLiteral("> ") + QString::fromLatin1(part);
    return script;
}

inline QString readOf(int count, int waitMs, int got)
{
    return QStringLiteral("< %1/%2: %3").arg(count).arg(waitMs).arg(got);
}

// The read before every command that throws away what already waits, waiting for nothing.
inline QString discardOf(int got = 0)
{
    return readOf(256, 0, got);
}

// A command as it goes out: that discard, then the letter and each parameter as its own write.
inline QStringList command(std::initializer_list<const char *> parts)
{
    return QStringList { discardOf() } + writes(parts);
}

// The drain after a reply that ran out of time or was not the answer: reads of 10 with a 200 ms
// wait, here the one that found the line silent.
inline QString drainOf(int got = 0)
{
    return readOf(10, 200, got);
}

// The writes that follow the upload header's closing carriage return: one per block.
inline QList<QByteArray> blockWrites(const SimComm &comm)
{
    QList<QByteArray> blocks;
    bool zeros = false;
    bool header = false;
    for (const auto &event : comm.line()) {
        if (event.kind != SimComm::LineEvent::Write)
            continue;
        if (header)
            blocks << event.bytes;
        else if (zeros && event.bytes == "\r")
            header = true;
        zeros = event.bytes == QByteArray(2, '\0');
    }
    return blocks;
}
