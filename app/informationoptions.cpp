#include "informationoptions.h"

#include <cstdio>
#include <cstring>

QByteArray informationOptionText(const char *argument)
{
    if (std::strcmp(argument, "--version") == 0)
        return QByteArrayLiteral("Payvane " PAYVANE_VERSION "\n");
    if (std::strcmp(argument, "--help") != 0)
        return {};
    return QByteArrayLiteral(
        "Usage: Payvane [auto [SECONDS]]\n"
        "Keeps your list of bills and reminds you before they fall due.\n"
        "\n"
        "  (no argument)  open the list of bills\n"
        "  auto           show the reminders of the bills that are due, if any;\n"
        "                 end at once when none is due (for a start at log-on)\n"
        "  auto SECONDS   the same, for a scheduler that starts Payvane every\n"
        "                 SECONDS seconds: reminders at most once a day while the\n"
        "                 starts keep coming, again after a longer gap\n"
        "  --list         print the bills as a table (due date, days remaining,\n"
        "                 amount, description) and end\n"
        "  --json         print the bills as JSON and end\n"
        "  --help         show this help and end\n"
        "  --version      show the version and end\n"
        "\n"
        "Bills and reminder settings: ~/.local/share/Tervona/Payvane/\n"
        "Other settings: ~/.config/Tervona/Payvane.conf\n"
        "See Payvane(1) for the automatic start at log-on or every hour.\n");
}

bool printInformationOption(int argc, const char *const *argv)
{
    if (argc < 2)
        return false;
    const QByteArray text = informationOptionText(argv[1]);
    if (text.isEmpty())
        return false;
    std::fputs(text.constData(), stdout);
    return true;
}
