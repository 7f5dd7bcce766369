#ifndef PAYVANE_TESTS_PROGRAMSANDBOX_H
#define PAYVANE_TESTS_PROGRAMSANDBOX_H

#include <event.h>
#include <eventstore.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <functional>

#include <unistd.h>

// Runs the built program as a user would, but in folders of its own: HOME,
// the XDG folders and the temporary folder lie in a temporary directory, and
// the wall clock stands still at `fakeNow` (libfaketime). PAYVANE_EXECUTABLE
// names the program.
namespace programsandbox {

const QString fakeTimeLibrary = QStringLiteral("/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1");
// Every case runs on this frozen day and time.
const QDateTime fakeNow(QDate(2027, 3, 1), QTime(10, 0));

// Enough for a start that ends by itself, also under the sanitizers.
constexpr int endTimeoutMs = 30000;
// A process still running after this long has opened its window.
constexpr int windowWaitMs = 3000;

struct RunResult
{
    bool ended = false; // ended by itself (no window stayed open)
    int exitCode = -1;
    QByteArray standardError;
};

class ProgramSandbox
{
public:
    ProgramSandbox()
    {
        QDir root(dir.path());
        root.mkpath(QStringLiteral("config"));
        root.mkpath(QStringLiteral("data/Tervona/Payvane"));
        root.mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // No start asks the vendor's server (its name would be looked up).
        QSettings(configPath(), QSettings::IniFormat).setValue(QStringLiteral("UpdateAutoRun"), false);
    }

    QString path(const QString &relative) const { return QDir(dir.path()).filePath(relative); }
    // The frozen wall clock of the runs that follow.
    void setNow(const QDateTime &when) { now = when; }
    // The runs that follow start this copy of the program.
    void setProgram(const QString &path) { program = path; }
    // The runs that follow show their windows on this X display, not offscreen.
    void setDisplay(const QString &display) { xDisplay = display; }
    QString configPath() const { return path(QStringLiteral("config/Tervona/Payvane.conf")); }
    QString eventsPath() const { return path(QStringLiteral("data/Tervona/Payvane/events.evt")); }
    // Where a running instance listens: in its folder in the temporary folder.
    QString instanceSocketPath() const
    {
        return path(QStringLiteral("Payvane-instance-%1/socket").arg(::geteuid()));
    }

    // One bill, due on the fake day when `due`, else switched off.
    bool writeBill(bool due) const
    {
        Event event;
        event.name = QStringLiteral("Rent");
        event.schedule = Event::ScheduleSingular;
        event.eventDate = fakeNow.date();
        event.endMode = Event::EndAfterTimes;
        event.endDate = fakeNow.date();
        event.notify = due;
        event.notifyDays = 3;
        const EventList events{&event};
        return saveEvents(events, eventsPath());
    }

    void setStartTimes(const QDateTime &lastRun, const QDateTime &lastDisplay) const
    {
        QSettings settings(configPath(), QSettings::IniFormat);
        if (lastRun.isValid())
            settings.setValue(QStringLiteral("LastRun"), lastRun);
        if (lastDisplay.isValid())
            settings.setValue(QStringLiteral("LastDisplay"), lastDisplay);
    }

    QVariant setting(const QString &key) const
    {
        return QSettings(configPath(), QSettings::IniFormat).value(key);
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), path(QStringLiteral("cache")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
        env.insert(QStringLiteral("TMPDIR"), dir.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (!xDisplay.isEmpty()) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            env.insert(QStringLiteral("DISPLAY"), xDisplay);
        }
        // The wall clock stands still; the event loop's timers keep running.
        env.insert(QStringLiteral("LD_PRELOAD"), fakeTimeLibrary);
        env.insert(QStringLiteral("FAKETIME"), now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        env.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        // The sanitizer runtime must otherwise be the first library loaded.
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("verify_asan_link_order=0"));
        return env;
    }

    void start(QProcess &process, const QStringList &arguments) const
    {
        process.setProcessEnvironment(environment());
        process.start(program, arguments);
    }

    // Runs the program; when it keeps a window open it is ended after a while.
    // With `ready`, that while starts once `ready` holds (or the program
    // ended): a loaded machine may take longer than the while itself to get
    // as far as the window.
    RunResult run(const QStringList &arguments, int waitMs = endTimeoutMs,
                  const std::function<bool()> &ready = {}) const
    {
        QProcess process;
        start(process, arguments);
        RunResult result;
        if (!process.waitForStarted())
            return result;
        if (ready) {
            QElapsedTimer waited;
            waited.start();
            while (!ready() && waited.elapsed() < endTimeoutMs && !process.waitForFinished(50)) {
            }
        }
        result.ended = process.state() == QProcess::NotRunning || process.waitForFinished(waitMs);
        if (result.ended) {
            result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
            result.standardError = process.readAllStandardError();
        } else {
            process.kill();
            process.waitForFinished();
        }
        return result;
    }

private:
    QTemporaryDir dir;
    QDateTime now = fakeNow;
    QString xDisplay;
    QString program = QStringLiteral(PAYVANE_EXECUTABLE);
};

} // namespace programsandbox

#endif // PAYVANE_TESTS_PROGRAMSANDBOX_H
