#pragma once

#include "SimComm.h"

#include <QStringList>

// A write's bytes as text: printable characters as they are, a carriage return as \r, other
// bytes as \xNN.
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

// The whole conversation in short, so that a test compares it byte for byte and a failure shows
// where it went apart: a write as its bytes; the discard before each command "_" and the drain
// after a short or wrong reply "~" (reads of 10 with a 200 ms wait), each followed by the count
// of bytes it found, if any; any other read as count/wait, ":n" when only n bytes came.
inline QString lineShort(const SimComm &comm)
{
    QStringList events;
    for (const SimComm::LineEvent &e : comm.line()) {
        const QString found = e.bytes.isEmpty() ? QString() : QString::number(e.bytes.size());
        if (e.kind == SimComm::LineEvent::Write)
            events << lineText(e.bytes);
        else if (e.count == 256 && e.waitMs == 0)
            events << u'_' + found;
        else if (e.count == 10 && e.waitMs == 200)
            events << u'~' + found;
        else
            events << QStringLiteral("%1/%2").arg(e.count).arg(e.waitMs)
                    + (e.bytes.size() < e.count ? QStringLiteral(":%1").arg(e.bytes.size())
                                                : QString());
    }
    return events.join(u' ');
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
