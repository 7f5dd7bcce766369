#ifndef PAYVANE_BILLFILESTREAM_H
#define PAYVANE_BILLFILESTREAM_H

#include "event.h"
#include "eventstore.h"

#include <QByteArray>
#include <QDataStream>
#include <QFile>
#include <QString>

#include <functional>

// A bill file read one bill at a time, for a reader that writes each bill
// out as it comes and must not hold them all (a calendar of 100,000 bills):
// what it holds is a read window and the bill at hand, whatever the number
// of bills.
//
// check() reads the whole file once and judges it exactly as readBillFile()
// does, keeping no bill; only a Complete file can then be read with next(),
// which hands out the bills in order, each with its extension fields.
class BillFileStream
{
public:
    explicit BillFileStream(const QString &path);

    // Reads the file through. `record`, when given, sees each record as it
    // is read, with its extension fields still at their defaults.
    BillFileState check(const std::function<void(const Event &)> &record = {});
    // Damaged, Unreadable: the reason, in a few words, as readBillFile() says it.
    [[nodiscard]] QString problem() const { return m_problem; }

    // The next bill in *event (every field overwritten). False after the
    // last one, and when the file no longer reads as check() found it
    // (changed since); problem() then says so.
    bool next(Event *event);

private:
    // A window on the file at `offset`, refilled with a read from there, so
    // two windows (records and extension block) can share one file.
    struct Window
    {
        qint64 offset = 0; // of the window's first byte
        QByteArray bytes;
        qsizetype used = 0; // bytes of the window already taken
    };

    // The next `n` bytes at the window (fewer at the file's end), which
    // stay valid until the next call; null when the file cannot be read.
    const char *peek(Window &window, qsizetype n, qsizetype *available);
    void skip(Window &window, qsizetype n) { window.used += n; }
    [[nodiscard]] qint64 position(const Window &window) const { return window.offset + window.used; }
    [[nodiscard]] qint64 left(const Window &window) const { return m_size - position(window); }

    bool readRecord(Window &window, Event &event, QDataStream::Status *status);
    bool readBlockHeader(Window &window, QString *problem);
    bool readBlockEntry(Window &window, Event &event);
    BillFileState fail(BillFileState state, const QString &problem);

    QString m_path;
    QFile m_file;
    qint64 m_size = 0;
    QString m_problem;
    qint32 m_count = 0;
    qint64 m_blockStart = 0; // where the records end
    bool m_hasBlock = false;
    bool m_checked = false;
    qint32 m_read = 0;       // bills handed out by next()
    Window m_records;
    Window m_block;
};

#endif // PAYVANE_BILLFILESTREAM_H
