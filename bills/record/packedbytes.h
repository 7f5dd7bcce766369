#ifndef PAYVANE_PACKEDBYTES_H
#define PAYVANE_PACKEDBYTES_H

#include <QByteArray>

#include <future>

// Bytes kept compressed at zlib's fastest level (a bill file to about a
// sixth), packed on a thread of their own: whoever hands them over, a window
// being built, goes on at once, and only a later look at the bytes waits for
// the packing. Copies share one packed form.
class PackedBytes
{
public:
    PackedBytes() = default;
    explicit PackedBytes(const QByteArray &bytes);

    [[nodiscard]] bool isEmpty() const { return !m_packed.valid(); }
    // The bytes as they were handed over.
    [[nodiscard]] QByteArray unpacked() const;

private:
    std::shared_future<QByteArray> m_packed;
};

#endif // PAYVANE_PACKEDBYTES_H
