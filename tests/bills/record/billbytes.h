#ifndef PAYVANE_TESTS_BILLBYTES_H
#define PAYVANE_TESTS_BILLBYTES_H

#include <QByteArray>
#include <QString>

// Assembles bill-file bytes by hand from the format's tables, so the tests
// check the reader and writer against the format, not against each other.
class BillBytes
{
public:
    BillBytes &int32(qint32 value)
    {
        const quint32 v = quint32(value);
        for (int shift = 24; shift >= 0; shift -= 8)
            m_bytes.append(char((v >> shift) & 0xff));
        return *this;
    }
    BillBytes &day(qint64 julianDay) { return int32(qint32(quint32(julianDay))); }
    BillBytes &boolean(char byte) { m_bytes.append(byte); return *this; }
    BillBytes &booleans(const char *bits) // "1010100": one byte per character
    {
        for (const char *p = bits; *p; ++p)
            m_bytes.append(char(*p - '0'));
        return *this;
    }
    BillBytes &string(const QString &text)
    {
        if (text.isNull())
            return int32(-1);
        int32(qint32(text.size() * 2));
        for (const QChar c : text) {
            m_bytes.append(char(c.unicode() >> 8));
            m_bytes.append(char(c.unicode() & 0xff));
        }
        return *this;
    }
    BillBytes &raw(const QByteArray &bytes) { m_bytes.append(bytes); return *this; }

    QByteArray bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

#endif // PAYVANE_TESTS_BILLBYTES_H
