#include "listoption.h"

#include "commandlineoutput.h"

#include <billfilestream.h>
#include <billlisting.h>
#include <datafolder.h>
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

int checkBillsForPrinting(BillFileStream *bills, const std::function<void(const Event &)> &record)
{
    if (const QString problem = missingHomeFolder(); !problem.isEmpty()) {
        printErrorLine(problem);
        return ExitFailed;
    }
    // An empty list would pass for the user's bills.
    if (const QString missing = missingDataFolderFor(eventsFilePath()); !missing.isEmpty()) {
        printErrorLine(missing);
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
    // Only each bill's row is kept, not the bill: the list may be long.
    BillFileStream bills(eventsFilePath());
    if (const int failed = checkBillsForPrinting(&bills, {}); failed != ExitDone)
        return failed;
    BillListing listing(today, QLocale());
    Event event;
    while (bills.next(&event))
        listing.add(event);
    if (!bills.problem().isEmpty()) {
        printUnreadBillFile(bills.problem());
        return ExitFailed;
    }
    const QByteArray text = json ? listing.json() : listing.table();
    QString error;
    if (!writeStandardOutput(text, &error)) {
        printErrorLine(QStringLiteral("cannot write the bills to standard output: %1").arg(error));
        return ExitFailed;
    }
    return ExitDone;
}
