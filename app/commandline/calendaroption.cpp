#include "calendaroption.h"

#include "commandlineoutput.h"
#include "listoption.h"

#include <billfilestream.h>
#include <calendarexport.h>
#include <eventstore.h>

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <unistd.h>

namespace {

// The bills go from the file to the calendar one at a time, so memory stays
// the same whatever their number. The file was checked through before, so
// nothing is written for a damaged one.
struct CalendarWrite
{
    bool written = false;
    QString readProblem; // the file changed after it was checked
};

CalendarWrite writeBills(CalendarExport &calendar, BillFileStream &bills, QIODevice *device)
{
    CalendarWrite result;
    if (!calendar.begin(device))
        return result;
    Event event;
    while (bills.next(&event)) {
        if (!calendar.writeBill(event))
            return result;
    }
    result.readProblem = bills.problem();
    result.written = result.readProblem.isEmpty() && calendar.end();
    return result;
}

// Standard output may be a pipe or a full disk: what the buffer still held
// counts only once it is flushed.
CalendarWrite writeToStandardOutput(CalendarExport &calendar, BillFileStream &bills, QString *errorString)
{
    QFile out;
    if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        *errorString = out.errorString();
        return {};
    }
    CalendarWrite result = writeBills(calendar, bills, &out);
    if (result.written && !out.flush())
        result.written = false;
    if (!result.written)
        *errorString = out.errorString();
    return result;
}

// A new file beside `path`, renamed over it once complete.
CalendarWrite writeToFile(CalendarExport &calendar, BillFileStream &bills, const QString &path,
                          QString *errorString)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *errorString = file.errorString();
        return {};
    }
    CalendarWrite result = writeBills(calendar, bills, &file);
    if (!result.written) {
        *errorString = file.errorString();
        file.cancelWriting();
        return result;
    }
    if (!file.commit()) {
        *errorString = file.errorString();
        result.written = false;
    }
    return result;
}

} // namespace

int printBillCalendar(const QString &path, QDate today)
{
    CalendarExport calendar(today);
    calendar.setDescriptionFunction(CalendarExport::amountDescription);
    calendar.setAlarmTime(CalendarExport::savedAlarmTime());
    BillFileStream bills(eventsFilePath());
    const auto note = [&calendar](const Event &event) { calendar.noteBill(event); };
    if (const int failed = checkBillsForPrinting(&bills, note); failed != ExitDone)
        return failed;
    QString error;
    const CalendarWrite result = path.isEmpty() ? writeToStandardOutput(calendar, bills, &error)
                                                : writeToFile(calendar, bills, path, &error);
    if (!result.readProblem.isEmpty()) {
        printUnreadBillFile(result.readProblem);
        return ExitFailed;
    }
    if (!result.written) {
        printErrorLine(path.isEmpty()
                           ? QStringLiteral("cannot write the calendar to standard output: %1").arg(error)
                           : QStringLiteral("%1: cannot write the calendar: %2")
                                 .arg(QDir::toNativeSeparators(path), error));
        return ExitFailed;
    }
    return ExitDone;
}
