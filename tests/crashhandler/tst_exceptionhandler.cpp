// The crash handler in a program that fails: the dump in a folder only the
// user can enter, the error-report program started with product, version
// and the dump's path, and the process still ending by its signal.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class ExceptionHandlerTest : public QObject
{
    Q_OBJECT

private slots:
    void fatalSignalWritesDumpAndStartsReporter_data();
    void fatalSignalWritesDumpAndStartsReporter();
    void dumpFolderIsPrivate_data();
    void dumpFolderIsPrivate();
    void plantedLinkIsNotFollowed();
    void missingReporterStillEndsTheProcess();
    void destructorRestoresHandlers();
};

namespace {

struct Crash
{
    QProcess::ExitStatus status = QProcess::NormalExit;
    qint64 pid = 0;
};

// Own HOME, cache, runtime and temporary folders for one crash.
class Sandbox
{
public:
    Sandbox()
    {
        QDir root(dir.path());
        root.mkpath(QStringLiteral("runtime"));
        root.mkpath(QStringLiteral("tmp"));
        QFile::setPermissions(path(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString path(const QString &relative) const { return QDir(dir.path()).filePath(relative); }
    QString runtimeDumpFolder() const { return path(QStringLiteral("runtime/Crasher")); }
    QString cacheDumpFolder() const { return path(QStringLiteral("cache/Crasher/crash")); }
    QString reporterArguments() const { return path(QStringLiteral("tmp/reporter-arguments.txt")); }

    Crash run(const QString &program, const QStringList &arguments) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), path(QStringLiteral("cache")));
        env.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
        // The sanitizers would otherwise report the deliberate signals themselves.
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("handle_abort=0:handle_segv=0:handle_sigfpe=0"));
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        Crash crash;
        if (!process.waitForStarted())
            return crash;
        crash.pid = process.processId();
        process.waitForFinished(30000);
        crash.status = process.exitStatus();
        return crash;
    }

private:
    QTemporaryDir dir;
};

QString dumpName(qint64 pid)
{
    return QStringLiteral("Crasher-%1.dmp").arg(pid);
}

} // namespace

void ExceptionHandlerTest::fatalSignalWritesDumpAndStartsReporter_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("installed"); // laid out as installed: Exception under libexec, a decoy beside
    QTest::newRow("segmentation fault") << "segv" << SIGSEGV << false;
    QTest::newRow("arithmetic fault") << "fpe" << SIGFPE << false;
    QTest::newRow("abort") << "abort" << SIGABRT << false;
    QTest::newRow("segmentation fault, installed") << "segv" << SIGSEGV << true;
}

void ExceptionHandlerTest::fatalSignalWritesDumpAndStartsReporter()
{
    QFETCH(QString, mode);
    QFETCH(int, signalNumber);
    QFETCH(bool, installed);
    Sandbox sandbox;
    QString crasher = QStringLiteral(CRASHER);
    if (installed) {
        // The program in bin, the error-report program where the install
        // puts it; an "Exception" beside the program must not be started.
        const QString bin = sandbox.path(QStringLiteral("bin"));
        const QString reporter = QDir::cleanPath(bin + QStringLiteral("/" PAYVANE_REPORTER_FROM_BIN "/Exception"));
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(QFileInfo(reporter).path()));
        QVERIFY(QFile::copy(QFileInfo(crasher).dir().filePath(QStringLiteral("Exception")), reporter));
        crasher = QDir(bin).filePath(QStringLiteral("crasher"));
        QVERIFY(QFile::copy(QStringLiteral(CRASHER), crasher));
        QFile decoy(QDir(bin).filePath(QStringLiteral("Exception")));
        QVERIFY(decoy.open(QIODevice::WriteOnly));
        decoy.write("#!/bin/sh\ntouch \"$TMPDIR/decoy-started\"\n");
        decoy.close();
        QVERIFY(decoy.setPermissions(decoy.permissions() | QFile::ExeOwner));
    }
    const Crash crash = sandbox.run(crasher, {mode});
    QCOMPARE(crash.status, QProcess::CrashExit);

    const QString dumpPath = QDir(sandbox.runtimeDumpFolder()).filePath(dumpName(crash.pid));
    QFile dump(dumpPath);
    QVERIFY2(dump.open(QIODevice::ReadOnly), qPrintable(dumpPath));
    const QByteArray contents = dump.readAll();
    QVERIFY(contents.startsWith("Crasher 9.8.7\nsignal " + QByteArray::number(signalNumber) + "\n"));
    QVERIFY(contents.contains("\nbacktrace\n"));
    QVERIFY(contents.count('\n') > 4); // some frames
    QCOMPARE(dump.permissions() & 0x0777, QFile::ReadUser | QFile::WriteUser);

    // The reporter runs on its own after the crash; give it time.
    QFile arguments(sandbox.reporterArguments());
    QTRY_VERIFY_WITH_TIMEOUT(arguments.exists() && arguments.size() > 0, 10000);
    QVERIFY(arguments.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(arguments.readAll()),
             QStringLiteral("Crasher\n9.8.7\n%1\n").arg(dumpPath));
    // The signal being handled was blocked in the crashed process; the
    // reporter starts with nothing blocked.
    QFile blocked(sandbox.path(QStringLiteral("tmp/reporter-blocked.txt")));
    QVERIFY(blocked.open(QIODevice::ReadOnly));
    QCOMPARE(blocked.readAll().trimmed(), QByteArray("0000000000000000"));
    QVERIFY(!QFile::exists(sandbox.path(QStringLiteral("tmp/decoy-started"))));
}

void ExceptionHandlerTest::dumpFolderIsPrivate_data()
{
    QTest::addColumn<QString>("prepared"); // what is found at runtime/Crasher
    QTest::addColumn<bool>("inRuntimeFolder");

    QTest::newRow("nothing yet") << "" << true;
    QTest::newRow("private folder") << "folder 0700" << true;
    QTest::newRow("folder open to others") << "folder 0777" << false;
    QTest::newRow("link to a shared folder") << "link" << false;
    QTest::newRow("a file") << "file" << false;
}

void ExceptionHandlerTest::dumpFolderIsPrivate()
{
    QFETCH(QString, prepared);
    QFETCH(bool, inRuntimeFolder);

    Sandbox sandbox;
    const QString shared = sandbox.path(QStringLiteral("shared"));
    QVERIFY(QDir().mkpath(shared));
    QVERIFY(QFile::setPermissions(shared, QFileDevice::Permissions(0x7777)));
    const QString runtimeFolder = sandbox.runtimeDumpFolder();
    if (prepared.startsWith(QLatin1String("folder"))) {
        QVERIFY(QDir().mkpath(runtimeFolder));
        QVERIFY(QFile::setPermissions(runtimeFolder, prepared.endsWith(QLatin1String("0700"))
                                                         ? QFileDevice::Permissions(0x7700)
                                                         : QFileDevice::Permissions(0x7777)));
    } else if (prepared == QLatin1String("link")) {
        QVERIFY(QFile::link(shared, runtimeFolder));
    } else if (prepared == QLatin1String("file")) {
        QFile file(runtimeFolder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    const Crash crash = sandbox.run(QStringLiteral(CRASHER), {QStringLiteral("segv")});
    QCOMPARE(crash.status, QProcess::CrashExit);
    const QString folder = inRuntimeFolder ? runtimeFolder : sandbox.cacheDumpFolder();
    const QString dumpPath = QDir(folder).filePath(dumpName(crash.pid));
    QVERIFY2(QFileInfo(dumpPath).isFile(), qPrintable(dumpPath));
    QCOMPARE(QFileInfo(folder).permissions() & 0x0777,
             QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    QVERIFY(QDir(shared).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(sandbox.reporterArguments()), 10000);
}

void ExceptionHandlerTest::plantedLinkIsNotFollowed()
{
    Sandbox sandbox;
    const QString target = sandbox.path(QStringLiteral("precious.txt"));
    QFile precious(target);
    QVERIFY(precious.open(QIODevice::WriteOnly));
    precious.write("precious");
    precious.close();

    const Crash crash = sandbox.run(QStringLiteral(CRASHER), {QStringLiteral("plant"), target});
    QCOMPARE(crash.status, QProcess::CrashExit);
    QVERIFY(QFileInfo(QDir(sandbox.runtimeDumpFolder()).filePath(dumpName(crash.pid))).isSymLink());
    QVERIFY(precious.open(QIODevice::ReadOnly));
    QCOMPARE(precious.readAll(), QByteArray("precious"));
    // No dump, nothing to report.
    QTest::qWait(1000);
    QVERIFY(!QFile::exists(sandbox.reporterArguments()));
}

void ExceptionHandlerTest::missingReporterStillEndsTheProcess()
{
    Sandbox sandbox;
    const Crash crash = sandbox.run(QStringLiteral(LONE_CRASHER), {QStringLiteral("segv")});
    QCOMPARE(crash.status, QProcess::CrashExit);
    QVERIFY(QFile::exists(QDir(sandbox.runtimeDumpFolder()).filePath(dumpName(crash.pid))));
}

void ExceptionHandlerTest::destructorRestoresHandlers()
{
    Sandbox sandbox;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), sandbox.path(QStringLiteral("runtime")));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(CRASHER), {QStringLiteral("restore")});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.readAllStandardOutput().trimmed(), QByteArray("restored"));
}

QTEST_GUILESS_MAIN(ExceptionHandlerTest)
#include "tst_exceptionhandler.moc"
