#include "calendarobject.h"

#include "calendarexport.h"

#include <QBuffer>
#include <QCryptographicHash>

#include <algorithm>

QList<CalendarObject> calendarObjects(const EventList &bills, QDate today, const QDateTime &stamp)
{
    return calendarObjects(bills, today, stamp, CalendarExport::savedAlarmTime());
}

QList<CalendarObject> calendarObjects(const EventList &bills, QDate today, const QDateTime &stamp, QTime alarmTime)
{
    CalendarExport calendar(today);
    calendar.setStamp(stamp);
    calendar.setDescriptionFunction(CalendarExport::amountDescription);
    calendar.setAlarmTime(alarmTime);
    for (const Event *event : bills) {
        if (event)
            calendar.noteBill(*event);
    }
    // One export into a buffer that is emptied after each event: the
    // calendar's head once, then each event on its own.
    QByteArray written;
    QBuffer buffer(&written);
    buffer.open(QIODevice::WriteOnly);
    QList<CalendarObject> objects;
    if (!calendar.begin(&buffer))
        return objects;
    const QByteArray head = written;
    const QByteArray tail = QByteArrayLiteral("END:VCALENDAR\r\n");
    objects.reserve(bills.size());
    for (const Event *event : bills) {
        if (!event)
            continue;
        buffer.seek(0);
        written.clear();
        if (!calendar.writeBill(*event) || calendar.lastUid().isEmpty())
            continue;
        CalendarObject object;
        object.uid = calendar.lastUid();
        object.text = head + written + tail;
        object.fingerprint = calendarFingerprint(object.text);
        object.name = event->name;
        objects.append(object);
    }
    return objects;
}

QByteArray calendarFingerprint(const QByteArray &text)
{
    QByteArray unfolded = text;
    unfolded.replace("\r\n", "\n");
    unfolded.replace("\n ", "");
    unfolded.replace("\n\t", "");
    // Only the event: a server may write the calendar around it anew
    // (another PRODID, no CALSCALE).
    const qsizetype begin = unfolded.indexOf("BEGIN:VEVENT");
    const qsizetype end = unfolded.lastIndexOf("END:VEVENT");
    if (begin >= 0 && end > begin)
        unfolded = unfolded.mid(begin, end - begin);
    QList<QByteArray> lines = unfolded.split('\n');
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const QByteArray &line) {
                                   return line.isEmpty() || line.startsWith("DTSTAMP:")
                                          || line.startsWith("DTSTAMP;");
                               }),
                lines.end());
    std::sort(lines.begin(), lines.end());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QByteArray &line : std::as_const(lines)) {
        hash.addData(line);
        hash.addData(QByteArrayView("\n"));
    }
    return hash.result();
}
