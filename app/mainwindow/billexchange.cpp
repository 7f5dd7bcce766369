#include "billexchange.h"

#include "billlistpage.h"
#include "calendarexport.h"
#include "eventstore.h"
#include "plainmessage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

QString billFileFilter()
{
    return QStringLiteral("Bill File (*") + QStringLiteral(".evt") + QStringLiteral(")");
}

QString desktopFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

} // namespace

BillExchange::BillExchange(BillListPage *listPage, QWidget *dialogParent)
    : list(listPage)
    , window(dialogParent)
{
}

// The dialogs' captions are the main window's texts.
void BillExchange::chooseExportFile()
{
    const QString caption = QCoreApplication::translate("MainWindow", "Export Bills");
    const QString path = QFileDialog::getSaveFileName(window, caption, desktopFolder(), billFileFilter());
    if (!path.isEmpty())
        exportBills(path);
}

void BillExchange::chooseImportFile()
{
    const QString caption = QCoreApplication::translate("MainWindow", "Import Bills");
    const QString path = QFileDialog::getOpenFileName(window, caption, desktopFolder(), billFileFilter());
    if (!path.isEmpty())
        importBills(path);
}

void BillExchange::chooseCalendarFile()
{
    const QString caption = QCoreApplication::translate("MainWindow", "Export to Calendar");
    const QString path = QFileDialog::getSaveFileName(window, caption,
                                                      QDir(desktopFolder()).filePath(QStringLiteral("Payvane.ics")),
                                                      QStringLiteral("Calendar File (*.ics)"));
    if (!path.isEmpty())
        exportToCalendar(path);
}

bool BillExchange::exportBills(const QString &path)
{
    QString reason;
    if (list->saveBillModel(path, &reason))
        return true;
    showPlainMessage(QMessageBox::Warning, QStringLiteral("Export Bills"),
                     QStringLiteral("The bills could not be saved to %1 (%2).").arg(nativePath(path), reason));
    return false;
}

int BillExchange::importBills(const QString &path)
{
    // The loader answers an empty list for a file it cannot open, which the
    // user would take for a file without bills.
    const BillFileRead read = readBillFile(path);
    if (read.state == BillFileState::Missing || read.state == BillFileState::Unreadable) {
        showPlainMessage(QMessageBox::Warning, QStringLiteral("Import Bills"),
                         QStringLiteral("The file %1 could not be opened (%2).")
                             .arg(nativePath(path), read.state == BillFileState::Missing
                                                        ? QStringLiteral("No such file or directory")
                                                        : read.problem));
        return -1;
    }
    if (read.state == BillFileState::Damaged)
        showPlainMessage(QMessageBox::Warning, QStringLiteral("Import Bills"),
                         QStringLiteral("The file %1 could be read only in part (%2), so only the bills "
                                        "before the damage are imported.")
                             .arg(nativePath(path), read.problem));
    return list->addUnlistedBills(read.events);
}

bool BillExchange::exportToCalendar(const QString &path)
{
    const EventList bills = list->selectedOrAllRecords();
    CalendarExport calendar(list->day());
    calendar.setDescriptionFunction(CalendarExport::amountDescription);
    calendar.setAlarmTime(CalendarExport::savedAlarmTime());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !calendar.write(&file, bills)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        showPlainMessage(QMessageBox::Warning, QStringLiteral("Export to Calendar"),
                         QStringLiteral("The calendar could not be saved to %1 (%2).").arg(nativePath(path), reason));
        return false;
    }
    if (calendar.billsWritten() == 0) {
        file.cancelWriting();
        showPlainMessage(QMessageBox::Information, QStringLiteral("Export to Calendar"),
                         QStringLiteral("None of these bills is due again, so there is nothing to put in a calendar."));
        return false;
    }
    if (!file.commit()) {
        showPlainMessage(QMessageBox::Warning, QStringLiteral("Export to Calendar"),
                         QStringLiteral("The calendar could not be saved to %1 (%2).")
                             .arg(nativePath(path), file.errorString()));
        return false;
    }
    return true;
}
