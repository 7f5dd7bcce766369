#include "listoption.h"

#include <billlisting.h>
#include <eventstore.h>

#include <QCoreApplication>
#include <QDir>
#include <QLocale>

#include <cstdio>
#include <cstring>

namespace {

bool isListOption(const char *argument)
{
    return std::strcmp(argument, "--list") == 0 || std::strcmp(argument, "--json") == 0;
}

} // namespace

QByteArray billListText(const char *option, const BillFileRead &bills, QDate today)
{
    if (!isListOption(option))
        return {};
    BillListing listing(today);
    listing.setAmountFunction([](const Event &event) { return event.amount.toString(QLocale()); });
    return std::strcmp(option, "--json") == 0 ? listing.json(bills.events) : listing.table(bills.events);
}

int printBillList(int argc, const char *const *argv)
{
    if (argc != 2 || !isListOption(argv[1]))
        return -1;
    // The data folder is named after the program, without an application
    // object.
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane"));
    const QString path = eventsFilePath();
    const BillFileRead read = readBillFile(path);
    const QByteArray text = billListText(argv[1], read, QDate::currentDate());
    qDeleteAll(read.events);
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
    if (read.state == BillFileState::Damaged || read.state == BillFileState::Unreadable) {
        const QByteArray sentence = QStringLiteral("Payvane: the bill file %1 could not be read completely (%2); "
                                                   "only the bills read before that are listed.\n")
                                        .arg(QDir::toNativeSeparators(path), read.problem)
                                        .toLocal8Bit();
        std::fputs(sentence.constData(), stderr);
    }
    return read.state == BillFileState::Unreadable ? 1 : 0;
}
