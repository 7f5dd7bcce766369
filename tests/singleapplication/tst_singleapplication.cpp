// The single-instance object across real processes of one user: they share
// the temporary folder (each case its own), whatever their runtime folders.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class SingleApplicationTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void laterInstancesSeeTheFirst_data();
    void laterInstancesSeeTheFirst();
    void staleLockOfKilledInstanceIsIgnored();
    void messageActivatesWindow();
    void otherUsersCannotBlockTheFallback();

private:
    // A start with the temporary folder of the case and the runtime folder
    // `runtimeName` in it (none when empty).
    void start(QProcess &process, const QStringList &arguments, const QString &runtimeName = QStringLiteral("runtime"));
    QString run(const QStringList &arguments, const QString &runtimeName = QStringLiteral("runtime"));
    void startServer(QProcess &server);
    QString instanceFolder() const;
    std::unique_ptr<QTemporaryDir> temp;
};

void SingleApplicationTest::init()
{
    temp = std::make_unique<QTemporaryDir>();
    QVERIFY(temp->isValid());
}

void SingleApplicationTest::start(QProcess &process, const QStringList &arguments, const QString &runtimeName)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), temp->path());
    env.insert(QStringLiteral("HOME"), temp->filePath(QStringLiteral("home")));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    if (!runtimeName.isEmpty()) {
        const QString runtime = temp->filePath(runtimeName);
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    }
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(INSTANCE_HELPER), arguments);
}

QString SingleApplicationTest::instanceFolder() const
{
    return temp->filePath(QStringLiteral("instancehelper-test-") + QString::number(::geteuid()));
}

QString SingleApplicationTest::run(const QStringList &arguments, const QString &runtimeName)
{
    QProcess process;
    start(process, arguments, runtimeName);
    if (!process.waitForFinished(30000))
        return QStringLiteral("timeout");
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

void SingleApplicationTest::startServer(QProcess &server)
{
    start(server, {QStringLiteral("serve")});
    QVERIFY(server.waitForReadyRead(30000));
    QCOMPARE(server.readLine().trimmed(), QByteArray("first"));
}

void SingleApplicationTest::laterInstancesSeeTheFirst_data()
{
    // The runtime folder of the later starts: cron, ssh and a second login
    // each bring their own, or none.
    QTest::addColumn<QString>("laterRuntime");
    QTest::newRow("same runtime folder") << QStringLiteral("runtime");
    QTest::newRow("another runtime folder") << QStringLiteral("other-runtime");
    QTest::newRow("no runtime folder") << QString();
}

void SingleApplicationTest::laterInstancesSeeTheFirst()
{
    QFETCH(QString, laterRuntime);
    QCOMPARE(run({QStringLiteral("probe")}), QStringLiteral("first"));

    QProcess server;
    startServer(server);
    QCOMPARE(run({QStringLiteral("probe")}, laterRuntime), QStringLiteral("running"));
    QCOMPARE(run({QStringLiteral("probe")}, laterRuntime), QStringLiteral("running"));

    // Only the owner may reach the folder and the socket in it.
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                      | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(QFileInfo(instanceFolder()).permissions() & others, QFile::Permissions());
    const QFileInfo socket(QDir(instanceFolder()).filePath(QStringLiteral("socket")));
    QVERIFY(socket.exists());
    QCOMPARE(socket.permissions() & others, QFile::Permissions());

    // Ended normally (here by a message), it frees the place.
    QCOMPARE(run({QStringLiteral("send"), QStringLiteral("bye")}, laterRuntime), QStringLiteral("running\nsent 1"));
    QVERIFY(server.waitForFinished(30000));
    QCOMPARE(server.exitCode(), 0);
    QCOMPARE(run({QStringLiteral("probe")}), QStringLiteral("first"));
}

void SingleApplicationTest::staleLockOfKilledInstanceIsIgnored()
{
    QProcess server;
    startServer(server);
    server.kill();
    QVERIFY(server.waitForFinished());
    // Its socket is left behind; the lock went with the process.
    QVERIFY(QFileInfo::exists(QDir(instanceFolder()).filePath(QStringLiteral("socket"))));
    QCOMPARE(run({QStringLiteral("probe")}), QStringLiteral("first"));
}

void SingleApplicationTest::messageActivatesWindow()
{
    QCOMPARE(run({QStringLiteral("send"), QStringLiteral("nobody")}), QStringLiteral("first\nsent 0"));

    QProcess server;
    startServer(server);
    QCOMPARE(run({QStringLiteral("send"), QStringLiteral("hello")}), QStringLiteral("running\nsent 1"));
    QVERIFY(server.waitForFinished(30000));
    // The message arrived and the hidden, minimised window was brought up.
    QCOMPARE(server.readAllStandardOutput().trimmed(), QByteArray("message hello visible=1 minimized=0"));
}

void SingleApplicationTest::otherUsersCannotBlockTheFallback()
{
    // The lock's folder lies in the shared temporary folder; no name another
    // user can take first may keep this user's program from starting.
    if (::geteuid() != 0)
        QSKIP("needs root to act as two users");
    QTemporaryDir shared;
    QVERIFY(shared.isValid());
    QVERIFY(::chmod(QFile::encodeName(shared.path()).constData(), 01777) == 0);
    const auto plantAsOtherUser = [&shared](const QString &name, uid_t owner) {
        const QByteArray path = QFile::encodeName(QDir(shared.path()).filePath(name));
        return ::mkdir(path.constData(), 0755) == 0 && ::chown(path.constData(), owner, owner) == 0;
    };
    constexpr uid_t nobody = 65534;

    const auto environment = [&shared](const QString &home) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        env.insert(QStringLiteral("TMPDIR"), shared.path());
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    };
    const auto probe = [&]() {
        QProcess process;
        process.setProcessEnvironment(environment(QDir(shared.path()).filePath(QStringLiteral("root-home"))));
        process.start(QStringLiteral(INSTANCE_HELPER), {QStringLiteral("probe")});
        return process.waitForFinished(30000) ? process.readAllStandardOutput().trimmed() : QByteArray("timeout");
    };
    QCOMPARE(probe(), QByteArray("first"));

    // Another user's running instance does not count as this user's.
    QVERIFY(plantAsOtherUser(QStringLiteral("nobody-home"), nobody));
    QProcess other;
    other.setProcessEnvironment(environment(QDir(shared.path()).filePath(QStringLiteral("nobody-home"))));
    other.setChildProcessModifier([] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
    });
    // The other user runs its own copy: the build folder may be closed to it.
    const QString copy = QDir(shared.path()).filePath(QStringLiteral("instancehelper"));
    QVERIFY(QFile::copy(QStringLiteral(INSTANCE_HELPER), copy));
    QVERIFY(QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther
                                            | QFile::ReadGroup | QFile::ExeGroup));
    other.start(copy, {QStringLiteral("serve")});
    QVERIFY(other.waitForReadyRead(30000));
    QCOMPARE(other.readLine().trimmed(), QByteArray("first"));
    QCOMPARE(probe(), QByteArray("first"));

    other.kill();
    QVERIFY(other.waitForFinished());

    // The private folder's name in the shared folder is taken too: the
    // user's cache folder serves.
    QVERIFY(QDir(QDir(shared.path()).filePath(QStringLiteral("instancehelper-test-0"))).removeRecursively());
    QVERIFY(plantAsOtherUser(QStringLiteral("instancehelper-test-0"), nobody));
    QCOMPARE(probe(), QByteArray("first"));
    QVERIFY(QFileInfo::exists(QDir(shared.path()).filePath(QStringLiteral("root-home/.cache/instancehelper-test"))));
}

QTEST_GUILESS_MAIN(SingleApplicationTest)
#include "tst_singleapplication.moc"
