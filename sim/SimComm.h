#pragma once

#include "link/SaxComm.h"

#include <QHash>
#include <QList>
#include <QSet>

class UnitEngine;
class VirtualClock;

// The simulated unit as the program's serial component, in-process and on a virtual clock: a
// read that would wait advances the clock by the wait and returns at once. It keeps every byte
// on the line, in order, for tests to compare.
class SimComm : public SaxComm {
public:
    struct LineEvent {
        enum Kind { Write, Read };
        Kind kind;
        QByteArray bytes;
        qint32 count = 0;   // reads: ReadCount
        qint32 waitMs = 0;  // reads: ReadWait
        qint64 atMs = 0;    // on the virtual clock, when the write or the read ended
    };

    // A unit on port `unitPort`; every other port number is missing unless added below.
    SimComm(UnitEngine &engine, VirtualClock &clock, qint16 unitPort = 1);

    // Another unit on another port.
    void attach(qint16 port, UnitEngine &engine);
    // A port that opens but has nothing attached.
    void addEmptyPort(qint16 port) { m_emptyPorts.insert(port); }
    // Opening fails with a component error instead of leaving the port closed.
    void setOpenRaisesError(bool raises) { m_openRaises = raises; }
    // The device goes away: the port reads as open but every write and read fails.
    void vanish() { m_gone = true; }

    const QList<LineEvent> &line() const { return m_line; }
    // Every byte written to the unit, in order.
    QByteArray written() const;
    void clearLine() { m_line.clear(); }
    QString lastLineSettings() const { return m_lineSettings; }

    void PortNumber(qint16 number) override { m_portNumber = number; }
    qint16 PortNumber() const override { return m_portNumber; }
    void PortOpen(bool open) override;
    bool PortOpen() const override { return m_openPort.has_value(); }
    void LineSettings(const QString &settings) override;
    void SetupFlag(bool) override {}
    void SetupValue(qint32) override {}
    void OutputText(const QByteArray &text) override;
    void ReadCount(qint32 count) override { m_readCount = count; }
    void ReadWait(qint32 milliseconds) override { m_readWait = milliseconds; }
    QByteArray InputText() override;
    qint64 clockMs() const override;

private:
    UnitEngine *attachedEngine() const;

    VirtualClock &m_clock;
    QHash<qint16, UnitEngine *> m_units;
    QSet<qint16> m_emptyPorts;
    qint16 m_portNumber = 0;
    std::optional<qint16> m_openPort;
    bool m_openRaises = false;
    bool m_gone = false;
    qint32 m_readCount = 0;
    qint32 m_readWait = 0;
    QString m_lineSettings;
    QList<LineEvent> m_line;
};
