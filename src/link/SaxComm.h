#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What went wrong inside the serial component. The component never throws and never ends the
// program: it records the first fault until a caller takes it, the way the component's errors
// reach the command that was running.
enum class CommFault {
    NotOpen,      // a write or read on a port that is not open
    OpenFailed,   // the port exists but could not be opened (in use, no permission)
    BadSettings,  // line settings the port does not accept
    WriteFailed,
    ReadFailed,
    Gone,         // the device went away while open
};

struct CommError {
    CommFault fault;
    QString text;
};

// The serial port component of the main window. The nine operations carry the names the rest
// of the program knows them by; a read returns the bytes as one character per byte (Latin-1).
class SaxComm {
public:
    virtual ~SaxComm() = default;

    virtual void PortNumber(qint16 number) = 0;
    virtual qint16 PortNumber() const = 0;
    // True opens port PortNumber, False closes it; reading tells whether it is open.
    virtual void PortOpen(bool open) = 0;
    virtual bool PortOpen() const = 0;
    // Baud rate text directly followed by "N,8,1"; a comma before the N may be there or not.
    virtual void LineSettings(const QString &settings) = 0;
    virtual void SetupFlag(bool flag) = 0;
    virtual void SetupValue(qint32 value) = 0;
    // Sends every byte of the text now.
    virtual void OutputText(const QByteArray &text) = 0;
    virtual void ReadCount(qint32 count) = 0;
    // Milliseconds.
    virtual void ReadWait(qint32 milliseconds) = 0;
    // At most ReadCount bytes: as soon as that many have arrived, else what came within ReadWait.
    virtual QByteArray InputText() = 0;

    // Milliseconds on the clock that the reads' waits run on, counted from any start: what bounds
    // a series of reads by time.
    virtual qint64 clockMs() const = 0;

    // The first fault since the last call, if any; taking it clears it.
    std::optional<CommError> takeError()
    {
        auto error = m_error;
        m_error.reset();
        return error;
    }

protected:
    void raise(CommFault fault, const QString &text)
    {
        if (!m_error)
            m_error = CommError{fault, text};
    }

private:
    std::optional<CommError> m_error;
};
