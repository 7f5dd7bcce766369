#include "listoption.h"

#include "commandlineoutput.h"

#include <billfilestream.h>
#include <billlisting.h>
#include <eventstore.h>

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace {

// The data folder lies in the home folder unless XDG_DATA_HOME names one.
// Without a home folder there is no bill file to find, and an empty list
// would tell a script that the user has no bills. Empty when all is well
// (a data folder not made yet is a first run, with no bills indeed).
QString missingHomeFolder()
{
    const QString dataHome = QFile::decodeName(qgetenv("XDG_DATA_HOME"));
    if (QDir::isAbsolutePath(dataHome))
        return {};
    const QString home = QFile::decodeName(qgetenv("HOME"));
    if (home.isEmpty())
        return QStringLiteral("there is no home folder (HOME is not set), so no bill file can be found in it");
    if (!QFileInfo(home).isDir())
        return QStringLiteral("the home folder %1 does not exist, so no bill file can be found in it")
            .arg(QDir::toNativeSeparators(home));
    return {};
}

} // namespace

int readBillsForPrinting(EventList *bills)
{
    if (const QString problem = missingHomeFolder(); !problem.isEmpty()) {
        printErrorLine(problem);
        return ExitFailed;
    }
    const BillFileRead read = readBillFile(eventsFilePath());
    if (read.state == BillFileState::Damaged || read.state == BillFileState::Unreadable) {
        qDeleteAll(read.events);
        printUnreadBillFile(read.problem);
        return ExitFailed;
    }
    *bills = read.events;
    return ExitDone;
}

int checkBillsForPrinting(BillFileStream *bills, const std::function<void(const Event &)> &record)
{
    if (const QString problem = missingHomeFolder(); !problem.isEmpty()) {
        printErrorLine(problem);
        return ExitFailed;
    }
    const BillFileState state = bills->check(record);
    if (state == BillFileState::Damaged || state == BillFileState::Unreadable) {
        printUnreadBillFile(bills->problem());
        return ExitFailed;
    }
    return ExitDone;
}

void printUnreadBillFile(const QString &problem)
{
    printErrorLine(QStringLiteral("%1: the bill file could not be read completely: %2")
                       .arg(QDir::toNativeSeparators(eventsFilePath()), problem));
}

int printBillList(bool json, QDate today)
{
    EventList bills;
    if (const int failed = readBillsForPrinting(&bills); failed != ExitDone)
        return failed;
    const BillListing listing(today, QLocale());
    const QByteArray text = json ? listing.json(bills) : listing.table(bills);
    qDeleteAll(bills);
    QString error;
    if (!writeStandardOutput(text, &error)) {
        printErrorLine(QStringLiteral("cannot write the bills to standard output: %1").arg(error));
        return ExitFailed;
    }
    return ExitDone;
}
