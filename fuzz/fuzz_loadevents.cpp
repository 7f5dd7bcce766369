// Feeds arbitrary bytes to the bill-file reader, records and extension block. Built as a libFuzzer target
// with clang (PAYVANE_FUZZ), and as a replay program that runs the committed
// corpus under CTest with any compiler.
#include "eventstore.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

BillFileRead readBytes(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return readBillFile(buffer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const BillFileRead read = readBytes(input);
    // Every record must be whole: each costs at least 59 bytes of the input.
    if (qsizetype(read.events.size()) * 59 > qsizetype(size))
        __builtin_trap();
    // Only a file read completely may be called complete, and only damage
    // comes with a reason.
    if ((read.state == BillFileState::Complete) == !read.problem.isEmpty())
        __builtin_trap();

    // What the program would write back reads back completely, as the same
    // bills, and is written the same again.
    const QByteArray written = billFileBytes(read.events);
    const BillFileRead again = readBytes(written);
    if (again.state != BillFileState::Complete || again.events.size() != read.events.size()
        || billFileBytes(again.events) != written)
        __builtin_trap();
    // Every extension field read is written back.
    for (qsizetype i = 0; i < read.events.size(); ++i) {
        if (read.events.at(i)->options != again.events.at(i)->options
            || read.events.at(i)->unknownFields != again.events.at(i)->unknownFields)
            __builtin_trap();
    }

    qDeleteAll(read.events);
    qDeleteAll(again.events);
    return 0;
}
