// The program's entry: the options that print and end, and the automatic
// start's decision, need QtCore only. Everything that shows a window is in
// the windows' module (desktopentry.h), loaded only when a start shows one.

#include "automaticstart.h"
#include "desktopentry.h"
#include "informationoptions.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <dlfcn.h>

namespace {

// This program's file, the same as QCoreApplication::applicationFilePath()
// would give once an application object exists.
QString programFilePath(const char *argv0)
{
    const QString running = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return running.isEmpty() ? QFileInfo(QFile::decodeName(argv0)).absoluteFilePath() : running;
}

// Installed, the module lies in the package's own library folder; in the
// build tree, beside the program.
QString desktopModulePath(const QString &program)
{
    const QDir programFolder = QFileInfo(program).dir();
    const QString installed = QDir::cleanPath(
        programFolder.filePath(QStringLiteral(PAYVANE_MODULE_FROM_BIN "/" PAYVANE_DESKTOP_MODULE)));
    const QString beside = programFolder.filePath(QStringLiteral(PAYVANE_DESKTOP_MODULE));
    return QFileInfo::exists(installed) || !QFileInfo::exists(beside) ? installed : beside;
}

int runDesktop(const QString &program, int *argc, char **argv, int handover)
{
    const QString path = desktopModulePath(program);
    void *module = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    void *entry = module ? ::dlsym(module, DesktopMainSymbol) : nullptr;
    if (!entry) {
        // The loader's reason names the file itself where it could not open it.
        const QByteArray file = QFile::encodeName(QDir::toNativeSeparators(path));
        QByteArray reason = ::dlerror();
        if (reason.startsWith(file + ": "))
            reason.remove(0, file.size() + 2);
        std::fprintf(stderr, "Payvane: cannot load %s: %s\n", file.constData(), reason.constData());
        return 1;
    }
    // Never unloaded: what the windows registered with Qt and the C library
    // may run until the process ends.
    return reinterpret_cast<DesktopMain *>(entry)(argc, argv, handover);
}

QStringList argumentList(int argc, char **argv)
{
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char *argv[])
{
    // --help, --version, --list, --json and --calendar answer first, with no
    // window and so without a display.
    if (const int answered = answerInformationOption(argc, argv); answered >= 0)
        return answered;

    const QString program = programFilePath(argv[0]);
    int handover = NothingDecided;
    if (argc >= 2 && qstrcmp(argv[1], "auto") == 0) {
        // Set before the application object exists, for the settings store
        // and the data folder; the windows set them again on theirs.
        QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
        QCoreApplication::setApplicationName(QStringLiteral("Payvane"));
        switch (decideAutomaticStart(argumentList(argc, argv), program, QDate::currentDate())) {
        case AutomaticStart::End:
            return 0;
        case AutomaticStart::LoadWindows:
            break;
        case AutomaticStart::RemindersToShow:
            handover |= IntervalRuleApplied;
            break;
        }
    }
    return runDesktop(program, &argc, argv, handover);
}
