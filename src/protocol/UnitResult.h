#pragma once

#include <QByteArray>
#include <QString>

#include <utility>

// How one exchange with the unit ended. The caller decides what to tell whom; nothing here is
// a text for the window.
enum class UnitStatus {
    Ok,
    NoReply, // nothing came within the wait
    Unexpected, // something came, but not what the command expects (length, letter)
    CommFailed, // the serial component failed (its fault has been taken), or the line never fell
                // silent
    InvalidArgument, // the call asked for something the unit cannot take; nothing was sent
};

struct UnitResult {
    UnitStatus status = UnitStatus::Ok;
    // For CommFailed, the component's own text, or LineKeepsTalking; empty otherwise.
    QString detail;
    // The last bytes read, one character per byte.
    QByteArray reply;

    bool ok() const { return status == UnitStatus::Ok; }
};

// A result that carries what the unit answered; `value` means something only when ok(),
// unless the operation says otherwise.
template <typename T> struct UnitValue : UnitResult {
    T value {};
};

template <typename T> UnitValue<T> withValue(const UnitResult &result, T value)
{
    UnitValue<T> out;
    static_cast<UnitResult &>(out) = result;
    out.value = std::move(value);
    return out;
}
