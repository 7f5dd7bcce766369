#ifndef TERVONA_EXCEPTIONHANDLER_H
#define TERVONA_EXCEPTIONHANDLER_H

#include <QString>

namespace Tervona {

// Catches the fatal signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) of the
// process. On one of them it writes a dump (signal, fault address, backtrace)
// to a new file "<product>-<pid>.dmp" in a folder only this user can enter
// ("<product>" in the user's runtime folder, else "crash" in the per-user
// cache folder), starts the error-report program "Exception" (installed in
// the package's folder under libexec, else beside the program) with the
// product name, the version and the dump's path,
// and lets the process end by the signal.
// One handler per process; the destructor puts the previous handlers back.
class ExceptionHandler
{
public:
    ExceptionHandler();
    ~ExceptionHandler();
    ExceptionHandler(const ExceptionHandler &) = delete;
    ExceptionHandler &operator=(const ExceptionHandler &) = delete;

    // Installs the handlers, taking product name and version from the
    // application object, which must exist, and prepares the dump's folder.
    // Returns false when another handler object is already installed, when
    // no private folder for the dump can be had, or a handler could not be set.
    bool initExceptionHandler();

    // Where a dump goes (empty until the handlers are installed) and which
    // program is started: "Exception" in the folder the install puts it in,
    // relative to this program's folder (../libexec/payvane from bin), when
    // it is there; else "Exception" beside this program (the build tree).
    [[nodiscard]] QString dumpFilePath() const;
    [[nodiscard]] QString reporterPath() const;

private:
    bool installed = false;
    QString dumpPath;
};

} // namespace Tervona

#endif // TERVONA_EXCEPTIONHANDLER_H
