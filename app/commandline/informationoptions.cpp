#include "informationoptions.h"

#include "calendaroption.h"
#include "commandlineoutput.h"
#include "listoption.h"

#include <holidayfile.h>

#include <QCoreApplication>
#include <QDate>
#include <QFile>

#include <cstring>

namespace {

bool isOneOf(const char *argument, const char *shortName, const char *longName)
{
    return std::strcmp(argument, shortName) == 0 || std::strcmp(argument, longName) == 0;
}

bool isHelp(const char *argument)
{
    return isOneOf(argument, "-h", "--help");
}

bool isVersion(const char *argument)
{
    return isOneOf(argument, "-v", "--version");
}

bool isListing(const char *argument)
{
    return isOneOf(argument, "--list", "--json");
}

bool isCalendar(const char *argument)
{
    return std::strcmp(argument, "--calendar") == 0;
}

bool isInformationOption(const char *argument)
{
    return isHelp(argument) || isVersion(argument) || isListing(argument) || isCalendar(argument);
}

// "--calendar" alone or with a file; a further argument, or one that looks
// like an option (a mistyped one would otherwise become a file), is not ours.
InformationOption calendarOption(int argc, const char *const *argv, QString *unknown, QString *calendarFile)
{
    const char *extra = nullptr;
    if (argc > 2 && argv[2][0] == '-')
        extra = argv[2];
    else if (argc > 3)
        extra = argv[3];
    if (extra) {
        if (unknown)
            *unknown = QString::fromLocal8Bit(extra);
        return InformationOption::Unknown;
    }
    if (calendarFile)
        *calendarFile = argc > 2 ? QFile::decodeName(argv[2]) : QString();
    return InformationOption::Calendar;
}

bool anyArgument(int argc, const char *const *argv, bool (*test)(const char *))
{
    for (int i = 1; i < argc; ++i) {
        if (test(argv[i]))
            return true;
    }
    return false;
}

} // namespace

InformationOption informationOption(int argc, const char *const *argv, QString *unknown, QString *calendarFile)
{
    // Only a command line that begins with one of the options is ours: any
    // other first argument opens the list of bills, as it always did.
    if (argc < 2 || !isInformationOption(argv[1]))
        return InformationOption::None;
    if (anyArgument(argc, argv, isHelp))
        return InformationOption::Help;
    if (anyArgument(argc, argv, isVersion))
        return InformationOption::Version;
    if (isCalendar(argv[1]))
        return calendarOption(argc, argv, unknown, calendarFile);
    for (int i = 1; i < argc; ++i) {
        if (!isListing(argv[i])) {
            if (unknown)
                *unknown = QString::fromLocal8Bit(argv[i]);
            return InformationOption::Unknown;
        }
    }
    const bool json = anyArgument(argc, argv, [](const char *argument) { return std::strcmp(argument, "--json") == 0; });
    return json ? InformationOption::Json : InformationOption::List;
}

QByteArray versionText()
{
    return QByteArrayLiteral("Payvane " PAYVANE_VERSION "\n");
}

QByteArray helpText()
{
    return QByteArrayLiteral(
        "Usage: Payvane [auto [SECONDS]]\n"
        "       Payvane --list | --json\n"
        "       Payvane --calendar [FILE]\n"
        "       Payvane --help | --version\n"
        "Keeps your list of bills and reminds you before they fall due.\n"
        "\n"
        "  (no argument)  open the list of bills\n"
        "  auto           show the reminders of the bills that are due, in a small\n"
        "                 window or as desktop notifications (as chosen in the\n"
        "                 settings); end at once when none is due (for a start at\n"
        "                 log-on)\n"
        "  auto SECONDS   the same, for a scheduler that starts Payvane every\n"
        "                 SECONDS seconds: reminders at most once a day while the\n"
        "                 starts keep coming, again after a longer gap\n"
        "  --list         print the bills as a table and end: due date, days\n"
        "                 remaining (negative: overdue), unpaid dates, amount,\n"
        "                 description; the most overdue first\n"
        "  --json         print the same as JSON and end (also with --list); the\n"
        "                 format is in Payvane(1)\n"
        "  --calendar [FILE]\n"
        "                 write all bills as iCalendar, the same as Export to\n"
        "                 Calendar, to standard output or to FILE (replaced only by\n"
        "                 a complete new file) and end\n"
        "  -h, --help     show this help and end\n"
        "  -v, --version  show the version and end\n"
        "Any other first argument opens the list of bills. The options that end\n"
        "at once need no display and write nothing but --calendar's FILE.\n"
        "\n"
        "Files:\n"
        "  ~/.local/share/Tervona/Payvane/events.evt    the bills\n"
        "  ~/.local/share/Tervona/Payvane/settings.ini  how reminders are shown\n"
        "  ~/.config/Tervona/Payvane.conf               window, sort order, times of\n"
        "                                               the automatic starts, updates\n"
        "XDG_DATA_HOME and XDG_CONFIG_HOME move ~/.local/share and ~/.config.\n"
        "\n"
        "Exit status:\n"
        "  0  done; also when Payvane already runs, or auto finds nothing due\n"
        "  1  --list, --json, --calendar: the bill file could not be read\n"
        "     completely, or there is no home folder; any option: the output could\n"
        "     not be written\n"
        "  2  --list, --json, --calendar: an argument that is not an option\n"
        "\n"
        "See Payvane(1) for the automatic start at log-on or every hour.\n");
}

int answerInformationOption(int &argc, char **argv)
{
    QString unknown;
    QString calendarFile;
    const InformationOption option = informationOption(argc, argv, &unknown, &calendarFile);
    if (option == InformationOption::None)
        return -1;
    // A core application object: no platform, so no display is needed.
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PAYVANE_VERSION));

    if (option == InformationOption::List || option == InformationOption::Json
        || option == InformationOption::Calendar)
        installHolidaysFromDataFolder();
    switch (option) {
    case InformationOption::List:
    case InformationOption::Json:
        return printBillList(option == InformationOption::Json, QDate::currentDate());
    case InformationOption::Calendar:
        return printBillCalendar(calendarFile, QDate::currentDate());
    case InformationOption::Unknown:
        printErrorLine(QStringLiteral("unknown argument \"%1\"; Payvane --help lists the options").arg(unknown));
        return ExitUsage;
    default:
        break;
    }
    QString error;
    if (!writeStandardOutput(option == InformationOption::Help ? helpText() : versionText(), &error)) {
        printErrorLine(QStringLiteral("cannot write to standard output: %1").arg(error));
        return ExitFailed;
    }
    return ExitDone;
}
