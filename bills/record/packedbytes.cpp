#include "packedbytes.h"

PackedBytes::PackedBytes(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    m_packed = std::async(std::launch::async, [bytes] {
                   QByteArray result = qCompress(bytes, 1);
                   result.squeeze();
                   return result;
               }).share();
}

QByteArray PackedBytes::unpacked() const
{
    return isEmpty() ? QByteArray() : qUncompress(m_packed.get());
}
