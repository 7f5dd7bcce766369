#include "calendaroption.h"

#include "commandlineoutput.h"
#include "listoption.h"

#include <calendarexport.h>
#include <eventstore.h>

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <unistd.h>

namespace {

CalendarExport billCalendar(QDate today)
{
    CalendarExport calendar(today);
    calendar.setDescriptionFunction(CalendarExport::amountDescription);
    return calendar;
}

// Standard output may be a pipe or a full disk: what the buffer still held
// counts only once it is flushed.
bool writeToStandardOutput(CalendarExport &calendar, const EventList &bills, QString *errorString)
{
    QFile out;
    if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        *errorString = out.errorString();
        return false;
    }
    if (!calendar.write(&out, bills) || !out.flush()) {
        *errorString = out.errorString();
        return false;
    }
    return true;
}

// A new file beside `path`, renamed over it once complete.
bool writeToFile(CalendarExport &calendar, const EventList &bills, const QString &path, QString *errorString)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !calendar.write(&file, bills)) {
        *errorString = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *errorString = file.errorString();
        return false;
    }
    return true;
}

} // namespace

int printBillCalendar(const QString &path, QDate today)
{
    EventList bills;
    if (const int failed = readBillsForPrinting(&bills); failed != ExitDone)
        return failed;
    CalendarExport calendar = billCalendar(today);
    QString error;
    const bool written = path.isEmpty() ? writeToStandardOutput(calendar, bills, &error)
                                        : writeToFile(calendar, bills, path, &error);
    qDeleteAll(bills);
    if (!written) {
        printErrorLine(path.isEmpty()
                           ? QStringLiteral("cannot write the calendar to standard output: %1").arg(error)
                           : QStringLiteral("%1: cannot write the calendar: %2")
                                 .arg(QDir::toNativeSeparators(path), error));
        return ExitFailed;
    }
    return ExitDone;
}
