// Feeds arbitrary bytes to the bill-file reader, records and extension block. Built as a libFuzzer target
// with clang (PAYVANE_FUZZ), and as a replay program that runs the committed
// corpus under CTest with any compiler.
#include "eventstore.h"
#include "paymentstatus.h"

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
        const Event &first = *read.events.at(i);
        const Event &second = *again.events.at(i);
        if (first.options != second.options || first.payments != second.payments || first.amount != second.amount
            || first.unknownFields != second.unknownFields)
            __builtin_trap();
    }

    // An amount read is always one of a currency code. Whatever dates a
    // file holds, paying moves a bill on: its first unpaid date afterwards
    // lies after the date just paid.
    const QDate today(2026, 12, 5);
    for (const Event *event : std::as_const(read.events)) {
        if (!event->amount.isNull() && !Money::isCurrencyCode(event->amount.currency()))
            __builtin_trap();
        Event paid = *event;
        const DueDate marked = markPaid(paid, today);
        const QDate following = paymentStatus(paid, today).unpaid.date;
        if (marked.date.isValid() && following.isValid() && following <= marked.date)
            __builtin_trap();
    }

    qDeleteAll(read.events);
    qDeleteAll(again.events);
    return 0;
}
