// The crash handler in a program that fails: the dump in the temporary
// folder, the error-report program started with product, version and the
// dump's path, and the process still ending by its signal.

#include <QDir>
#include <QFile>
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
    void missingReporterStillEndsTheProcess();
    void destructorRestoresHandlers();
};

namespace {

struct Crash
{
    QProcess::ExitStatus status = QProcess::NormalExit;
    qint64 pid = 0;
};

Crash runCrasher(const QString &program, const QString &mode, const QString &tempFolder)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), tempFolder);
    // The sanitizers would otherwise report the deliberate signals themselves.
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("handle_abort=0:handle_segv=0:handle_sigfpe=0"));
    process.setProcessEnvironment(env);
    process.start(program, {mode});
    Crash crash;
    if (!process.waitForStarted())
        return crash;
    crash.pid = process.processId();
    process.waitForFinished(30000);
    crash.status = process.exitStatus();
    return crash;
}

} // namespace

void ExceptionHandlerTest::fatalSignalWritesDumpAndStartsReporter_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("segmentation fault") << "segv" << SIGSEGV;
    QTest::newRow("arithmetic fault") << "fpe" << SIGFPE;
    QTest::newRow("abort") << "abort" << SIGABRT;
}

void ExceptionHandlerTest::fatalSignalWritesDumpAndStartsReporter()
{
    QFETCH(QString, mode);
    QFETCH(int, signalNumber);
    QTemporaryDir temp;
    const Crash crash = runCrasher(QStringLiteral(CRASHER), mode, temp.path());
    QCOMPARE(crash.status, QProcess::CrashExit);

    const QString dumpPath = QDir(temp.path()).filePath(QStringLiteral("Crasher-%1.dmp").arg(crash.pid));
    QFile dump(dumpPath);
    QVERIFY2(dump.open(QIODevice::ReadOnly), qPrintable(dumpPath));
    const QByteArray contents = dump.readAll();
    QVERIFY(contents.startsWith("Crasher 9.8.7\nsignal " + QByteArray::number(signalNumber) + "\n"));
    QVERIFY(contents.contains("\nbacktrace\n"));
    QVERIFY(contents.count('\n') > 4); // some frames

    // The reporter runs on its own after the crash; give it time.
    QFile arguments(QDir(temp.path()).filePath(QStringLiteral("reporter-arguments.txt")));
    QTRY_VERIFY_WITH_TIMEOUT(arguments.exists() && arguments.size() > 0, 10000);
    QVERIFY(arguments.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(arguments.readAll()),
             QStringLiteral("Crasher\n9.8.7\n%1\n").arg(dumpPath));
}

void ExceptionHandlerTest::missingReporterStillEndsTheProcess()
{
    QTemporaryDir temp;
    const Crash crash = runCrasher(QStringLiteral(LONE_CRASHER), QStringLiteral("segv"), temp.path());
    QCOMPARE(crash.status, QProcess::CrashExit);
    QVERIFY(QFile::exists(QDir(temp.path()).filePath(QStringLiteral("Crasher-%1.dmp").arg(crash.pid))));
}

void ExceptionHandlerTest::destructorRestoresHandlers()
{
    QProcess process;
    process.start(QStringLiteral(CRASHER), {QStringLiteral("restore")});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.readAllStandardOutput().trimmed(), QByteArray("restored"));
}

QTEST_GUILESS_MAIN(ExceptionHandlerTest)
#include "tst_exceptionhandler.moc"
