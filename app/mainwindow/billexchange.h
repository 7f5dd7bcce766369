#ifndef PAYVANE_BILLEXCHANGE_H
#define PAYVANE_BILLEXCHANGE_H

#include <QString>

class BillListPage;
class QWidget;

// The list's bills to and from other files: a bill file to export or
// import, and an iCalendar file for calendar programs. Each command tells
// the user when it fails.
class BillExchange
{
public:
    // `dialogParent` is the parent of the file dialogs.
    BillExchange(BillListPage *listPage, QWidget *dialogParent);

    // The file dialogs, then the command.
    void chooseExportFile();
    void chooseImportFile();
    void chooseCalendarFile();

    // Writes all bills to a file; false when that fails.
    bool exportBills(const QString &path);
    // Adds the bills of a file whose names are not listed yet and re-sorts;
    // the number added, or -1 when the file cannot be opened.
    int importBills(const QString &path);
    // Writes the selected bills (all when none is selected) as an iCalendar
    // file; false when that fails or no bill is due again.
    bool exportToCalendar(const QString &path);

private:
    BillListPage *list;
    QWidget *window;
};

#endif // PAYVANE_BILLEXCHANGE_H
