// A program that installs the crash handler and then fails as asked:
// "segv", "fpe", "abort"; "plant <file>" first puts a link to <file> where
// the dump is to go, then fails with SIGSEGV; "restore" checks that
// destroying the handler puts the previous handlers back and prints
// "restored".

#include <exceptionhandler.h>

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool sameAction(const struct sigaction &a, const struct sigaction &b)
{
    // The C library adds flags of its own when a handler is set, so only
    // the handler and its kind are compared.
    return a.sa_handler == b.sa_handler
           && (a.sa_flags & SA_SIGINFO) == (b.sa_flags & SA_SIGINFO);
}

bool handlersRestored()
{
    const int fatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
    struct sigaction before[5];
    for (int i = 0; i < 5; ++i)
        sigaction(fatalSignals[i], nullptr, &before[i]);
    {
        Tervona::ExceptionHandler handler;
        if (!handler.initExceptionHandler())
            return false;
        Tervona::ExceptionHandler second;
        if (second.initExceptionHandler()) // one per process
            return false;
        struct sigaction during;
        sigaction(SIGSEGV, nullptr, &during);
        if (sameAction(during, before[0]))
            return false;
    }
    for (int i = 0; i < 5; ++i) {
        struct sigaction after;
        sigaction(fatalSignals[i], nullptr, &after);
        if (!sameAction(after, before[i]))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Crasher"));
    QCoreApplication::setApplicationVersion(QStringLiteral("9.8.7"));
    const QString mode = QCoreApplication::arguments().value(1);

    if (mode == QLatin1String("restore")) {
        std::printf("%s\n", handlersRestored() ? "restored" : "not restored");
        return 0;
    }

    Tervona::ExceptionHandler handler;
    if (!handler.initExceptionHandler())
        return 2;
    if (mode == QLatin1String("segv"))
        std::raise(SIGSEGV);
    else if (mode == QLatin1String("fpe"))
        std::raise(SIGFPE);
    else if (mode == QLatin1String("abort"))
        std::abort();
    else if (mode == QLatin1String("plant")) {
        if (!QFile::link(QCoreApplication::arguments().value(2), handler.dumpFilePath()))
            return 3;
        std::raise(SIGSEGV);
    }
    return 0;
}
