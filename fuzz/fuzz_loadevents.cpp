// Feeds arbitrary bytes to the bill-file reader. Built as a libFuzzer target
// with clang (PAYVANE_FUZZ), and as a replay program that runs the committed
// corpus under CTest with any compiler.
#include "eventstore.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const EventList events = readEvents(buffer);
    // Every record must be whole: each costs at least 59 bytes of the input.
    if (qsizetype(events.size()) * 59 > qsizetype(size))
        __builtin_trap();
    qDeleteAll(events);
    return 0;
}
