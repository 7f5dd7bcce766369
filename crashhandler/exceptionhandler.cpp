#include "exceptionhandler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 5> fatalSignals = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// Everything the signal handler needs is prepared here beforehand, as plain
// bytes: the handler may only use async-signal-safe calls, so it neither
// allocates nor touches Qt.
struct CrashContext
{
    std::array<struct sigaction, fatalSignals.size()> previous{};
    char dumpPath[4096] = {};
    char reporterPath[4096] = {};
    char product[256] = {};
    char version[64] = {};
    bool active = false;
};

CrashContext context;

// A stack of its own, so a stack overflow can still be reported.
constexpr size_t alternateStackSize = 64 * 1024;
char alternateStack[alternateStackSize];

bool copyText(char *target, size_t size, const QByteArray &text)
{
    if (size_t(text.size()) >= size)
        return false;
    std::memcpy(target, text.constData(), size_t(text.size()));
    target[text.size()] = '\0';
    return true;
}

void writeText(int fd, const char *text)
{
    size_t length = std::strlen(text);
    while (length > 0) {
        const ssize_t written = ::write(fd, text, length);
        if (written <= 0)
            return;
        text += written;
        length -= size_t(written);
    }
}

void writeNumber(int fd, unsigned long long value, unsigned base)
{
    char digits[32];
    int i = int(sizeof digits) - 1;
    digits[i] = '\0';
    do {
        digits[--i] = "0123456789abcdef"[value % base];
        value /= base;
    } while (value != 0 && i > 0);
    writeText(fd, digits + i);
}

// True when the dump was written. The file must be new: nothing that
// appeared at its name since start-up, a link least of all, is written to.
bool writeDump(int signalNumber, const siginfo_t *info)
{
    const int fd = ::open(context.dumpPath, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          0600);
    if (fd < 0)
        return false;
    writeText(fd, context.product);
    writeText(fd, " ");
    writeText(fd, context.version);
    writeText(fd, "\nsignal ");
    writeNumber(fd, static_cast<unsigned long long>(signalNumber), 10);
    writeText(fd, "\naddress 0x");
    writeNumber(fd, reinterpret_cast<unsigned long long>(info ? info->si_addr : nullptr), 16);
    writeText(fd, "\nbacktrace\n");
    void *frames[64];
    const int count = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, count, fd);
    ::close(fd);
    return true;
}

void startReporter()
{
    // The C library's fork() runs the fork handlers, which take the
    // allocator's locks: a crash inside the allocator would hang there.
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    const pid_t child = ::_Fork();
#else
    const pid_t child = ::fork();
#endif
    if (child != 0)
        return; // the crashed process does not wait for the report
    // The signal being handled is blocked here, and a blocked mask
    // survives exec: the reporter starts with none.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    char *const arguments[] = {context.reporterPath, context.product, context.version,
                               context.dumpPath, nullptr};
    ::execv(context.reporterPath, arguments);
    ::_exit(127); // no error-report program: nothing more to do
}

void restorePreviousHandlers()
{
    for (size_t i = 0; i < fatalSignals.size(); ++i)
        ::sigaction(fatalSignals[i], &context.previous[i], nullptr);
}

void handleFatalSignal(int signalNumber, siginfo_t *info, void *)
{
    // A second fault while reporting ends the process by the default action.
    struct sigaction defaultAction = {};
    defaultAction.sa_handler = SIG_DFL;
    for (const int fatal : fatalSignals)
        ::sigaction(fatal, &defaultAction, nullptr);

    if (writeDump(signalNumber, info))
        startReporter();
    ::raise(signalNumber);
}

// A folder fit for dumps: a real folder (not a link), ours, and closed to
// everyone else. Anyone who could write to it could plant a link at the
// dump's name, or read the dump.
bool isPrivateFolder(const QByteArray &path)
{
    struct stat status = {};
    return ::lstat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode)
           && status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

// The folder holding ours must not let others swap our folder for theirs:
// owned by us or the system, and writable by others only when sticky.
bool isSafeParent(const QByteArray &path)
{
    struct stat status = {};
    if (::stat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return false;
    if (status.st_uid != ::geteuid() && status.st_uid != 0)
        return false;
    return (status.st_mode & 022) == 0 || (status.st_mode & S_ISVTX) != 0;
}

// `parent`/`name` made private to this user (created 0700 when missing), or
// an empty string when it cannot be.
QString makePrivateFolder(const QString &parent, const QString &name)
{
    if (parent.isEmpty() || !QDir().mkpath(parent) || !isSafeParent(QFile::encodeName(parent)))
        return QString();
    const QString folder = QDir(parent).filePath(name);
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    return isPrivateFolder(path) ? folder : QString();
}

// The user's runtime folder is private and emptied at log-out, which suits
// a file that lives only until it is reported; the cache folder serves when
// there is no usable runtime folder.
QString privateDumpFolder()
{
    QString folder = makePrivateFolder(
        QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation),
        QCoreApplication::applicationName());
    if (folder.isEmpty())
        folder = makePrivateFolder(QStandardPaths::writableLocation(QStandardPaths::CacheLocation),
                                   QStringLiteral("crash"));
    return folder;
}

void removeLeftover(const QByteArray &path)
{
    struct stat status = {};
    if (::lstat(path.constData(), &status) == 0 && (S_ISREG(status.st_mode) || S_ISLNK(status.st_mode)))
        ::unlink(path.constData());
}

} // namespace

namespace Tervona {

ExceptionHandler::ExceptionHandler() = default;

ExceptionHandler::~ExceptionHandler()
{
    if (!installed)
        return;
    restorePreviousHandlers();
    context.active = false;
}

bool ExceptionHandler::initExceptionHandler()
{
    if (installed || context.active)
        return false;
    const QString folder = privateDumpFolder();
    if (folder.isEmpty())
        return false;
    const QString path = QDir(folder).filePath(QStringLiteral("%1-%2.dmp")
                                                   .arg(QCoreApplication::applicationName())
                                                   .arg(QCoreApplication::applicationPid()));
    // A dump left by an earlier process with our pid would block the new one.
    removeLeftover(QFile::encodeName(path));
    if (!copyText(context.dumpPath, sizeof context.dumpPath, QFile::encodeName(path))
        || !copyText(context.reporterPath, sizeof context.reporterPath,
                     QFile::encodeName(reporterPath()))
        || !copyText(context.product, sizeof context.product,
                     QCoreApplication::applicationName().toUtf8())
        || !copyText(context.version, sizeof context.version,
                     QCoreApplication::applicationVersion().toUtf8()))
        return false;

    // backtrace() loads its unwinder on first use, which allocates: do that now.
    void *frame = nullptr;
    ::backtrace(&frame, 1);

    stack_t stack = {};
    stack.ss_sp = alternateStack;
    stack.ss_size = alternateStackSize;
    ::sigaltstack(&stack, nullptr);

    struct sigaction action = {};
    action.sa_sigaction = handleFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < fatalSignals.size(); ++i) {
        if (::sigaction(fatalSignals[i], &action, &context.previous[i]) != 0) {
            // Leave nothing half installed.
            for (size_t j = 0; j < i; ++j)
                ::sigaction(fatalSignals[j], &context.previous[j], nullptr);
            return false;
        }
    }
    context.active = true;
    installed = true;
    dumpPath = path;
    return true;
}

QString ExceptionHandler::dumpFilePath() const
{
    return dumpPath;
}

QString ExceptionHandler::reporterPath() const
{
    // Installed, Exception is in the package's folder under libexec, found
    // from the program's folder as the install laid them out; in the build
    // tree it is beside the program.
    const QDir programFolder(QCoreApplication::applicationDirPath());
    const QString inLibexec =
        QDir::cleanPath(programFolder.filePath(QStringLiteral(PAYVANE_REPORTER_FROM_BIN "/Exception")));
    const QFileInfo inLibexecInfo(inLibexec);
    if (inLibexecInfo.isFile() && inLibexecInfo.isExecutable())
        return inLibexec;
    return programFolder.filePath(QStringLiteral("Exception"));
}

} // namespace Tervona
