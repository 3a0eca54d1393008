#pragma once

#include "link/SaxComm.h"

#include <initializer_list>

// Every conversation with the unit has one shape: the command letter, each parameter as its own
// write, a carriage return, then one read with a count and a wait.

inline constexpr char CarriageReturn = '\r';

// A memory location on the line: the character "0" followed by the index digit 0 to 7.
QByteArray locationText(int index);
// One byte on the line: the one character whose code is the value.
QByteArray byteText(quint8 value);

// Throws away whatever already waits in the input, without waiting for more.
void discardWaiting(SaxComm &comm);
// Throws away what waits in the input, then writes the letter, each parameter as its own write
// and, unless told not to, a carriage return.
void sendCommand(SaxComm &comm, char letter, std::initializer_list<QByteArray> parameters = {},
                 bool carriageReturn = true);
// Sets the count and the wait, then reads.
QByteArray readReply(SaxComm &comm, qint32 count, qint32 waitMs);
// What a full-length reply must look like to be the answer; none accepts every one.
using ReplyCheck = bool (*)(const QByteArray &reply);
// sendCommand followed by readReply; a reply shorter than `count`, or one that `expected`
// refuses, is followed by DrainInput.
QByteArray exchange(SaxComm &comm, char letter, std::initializer_list<QByteArray> parameters,
                    qint32 count, qint32 waitMs, ReplyCheck expected = nullptr);

// Throws away whatever the unit still has to say: reads of 10 with a 200 ms wait until one
// comes back short. Reads at least once. False when the line is still talking after about two
// seconds of the comm's clock: the reads then stop, and the input is not clear.
bool DrainInput(SaxComm &comm);
