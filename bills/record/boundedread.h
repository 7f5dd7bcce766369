#ifndef PAYVANE_BOUNDEDREAD_H
#define PAYVANE_BOUNDEDREAD_H

#include <QByteArray>
#include <QString>

class QDataStream;

// Reads of variable-length values from untrusted data streams. They read
// what QDataStream writes (a uint32 byte count, 0xFFFFFFFF for null, then the
// bytes) but never allocate a count the device does not hold: a count beyond
// what is left fails at once, and a sequential device is read in bounded
// steps. On failure the stream's status says so and the value is null.

// A string: UTF-16 code units, big-endian; an odd count is corrupt data.
void readBoundedString(QDataStream &stream, QString &text);

// A byte array.
void readBoundedBytes(QDataStream &stream, QByteArray &bytes);

#endif // PAYVANE_BOUNDEDREAD_H
