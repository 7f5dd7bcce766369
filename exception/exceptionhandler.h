#ifndef TERVONA_EXCEPTIONHANDLER_H
#define TERVONA_EXCEPTIONHANDLER_H

#include <QString>

namespace Tervona {

// Catches the fatal signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) of the
// process. On one of them it writes a dump (signal, fault address, backtrace)
// to "<product>-<pid>.dmp" in the temporary folder, starts the error-report
// program "Exception" from the program's folder with the product name, the
// version and the dump's path, and lets the process end by the signal.
// One handler per process; the destructor puts the previous handlers back.
class ExceptionHandler
{
public:
    ExceptionHandler();
    ~ExceptionHandler();
    ExceptionHandler(const ExceptionHandler &) = delete;
    ExceptionHandler &operator=(const ExceptionHandler &) = delete;

    // Installs the handlers, taking product name and version from the
    // application object, which must exist. Returns false when another
    // handler object is already installed or a handler could not be set.
    bool initExceptionHandler();

    // Where the next dump goes and which program is started.
    [[nodiscard]] QString dumpFilePath() const;
    [[nodiscard]] QString reporterPath() const;

private:
    bool installed = false;
};

} // namespace Tervona

#endif // TERVONA_EXCEPTIONHANDLER_H
