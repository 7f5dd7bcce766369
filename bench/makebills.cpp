// Writes a bill file for trying the program by hand:
//   payvane_makebills <file> <count> <due> [separate popup]
//   payvane_makebills --name-length <length> <file> <count>
//   payvane_makebills --mixed <file> <count>
// and, when the two flags (0 or 1) are given, "settings.ini" beside it.

#include "billfiles.h"

#include <notificationsettings.h>

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 5 && arguments.at(1) == QLatin1String("--name-length"))
        return writeLongNameBillFile(arguments.at(3), arguments.at(4).toInt(), arguments.at(2).toInt(),
                                     QDate::currentDate())
                   ? 0
                   : 1;
    if (arguments.size() == 4 && arguments.at(1) == QLatin1String("--mixed"))
        return writeMixedBillFile(arguments.at(2), arguments.at(3).toInt(), QDate::currentDate()) ? 0 : 1;
    if (arguments.size() != 4 && arguments.size() != 6) {
        std::fprintf(stderr, "usage: payvane_makebills <file> <count> <due> [separate popup]\n");
        return 2;
    }
    if (!writeBillFile(arguments.at(1), arguments.at(2).toInt(), arguments.at(3).toInt(),
                       QDate::currentDate())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(arguments.at(1)));
        return 1;
    }
    if (arguments.size() == 6) {
        NotificationSettings settings;
        settings.separateNotifications = arguments.at(4) == QLatin1String("1");
        settings.popupDialog = arguments.at(5) == QLatin1String("1");
        if (!settings.save(QFileInfo(arguments.at(1)).absolutePath() + QStringLiteral("/settings.ini")))
            return 1;
    }
    return 0;
}
