// The single-instance object across real processes sharing one runtime folder.

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
    void laterInstancesSeeTheFirst();
    void staleLockOfKilledInstanceIsIgnored();
    void messageActivatesWindow();
    void otherUsersCannotBlockTheFallback();

private:
    void start(QProcess &process, const QStringList &arguments);
    QString run(const QStringList &arguments);
    void startServer(QProcess &server);
    std::unique_ptr<QTemporaryDir> runtime;
};

void SingleApplicationTest::init()
{
    runtime = std::make_unique<QTemporaryDir>();
    QVERIFY(runtime->isValid());
    QFile::setPermissions(runtime->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void SingleApplicationTest::start(QProcess &process, const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime->path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(INSTANCE_HELPER), arguments);
}

QString SingleApplicationTest::run(const QStringList &arguments)
{
    QProcess process;
    start(process, arguments);
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

void SingleApplicationTest::laterInstancesSeeTheFirst()
{
    QCOMPARE(run({QStringLiteral("probe")}), QStringLiteral("first"));

    QProcess server;
    startServer(server);
    QCOMPARE(run({QStringLiteral("probe")}), QStringLiteral("running"));
    QCOMPARE(run({QStringLiteral("probe")}), QStringLiteral("running"));

    // Only the owner may reach the socket.
    const QStringList sockets = QDir(runtime->path()).entryList({"*.socket"}, QDir::System);
    QCOMPARE(sockets.size(), 1);
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther
                                      | QFile::WriteOther;
    QCOMPARE(QFileInfo(QDir(runtime->path()).filePath(sockets.first())).permissions() & others,
             QFile::Permissions());

    // Ended normally (here by a message), it frees the place.
    QCOMPARE(run({QStringLiteral("send"), QStringLiteral("bye")}), QStringLiteral("running\nsent 1"));
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
    QVERIFY(!QDir(runtime->path()).entryList({"*.lock"}, QDir::Files).isEmpty());
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
    // Without a usable runtime folder the lock goes elsewhere; no name
    // another user can take first may keep this user's program from starting.
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
    // Each user's usual runtime folder is already taken by the other, and
    // another user made the shared names that a plain fallback would use.
    QVERIFY(plantAsOtherUser(QStringLiteral("runtime-root"), nobody));
    QVERIFY(plantAsOtherUser(QStringLiteral("runtime-nobody"), 0));
    QVERIFY(plantAsOtherUser(QStringLiteral("instancehelper-test.lock"), nobody));

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
    QVERIFY(QDir(QDir(shared.path()).filePath(QStringLiteral("payvane-0"))).removeRecursively());
    QVERIFY(plantAsOtherUser(QStringLiteral("payvane-0"), nobody));
    QCOMPARE(probe(), QByteArray("first"));
    QVERIFY(QFileInfo::exists(QDir(shared.path()).filePath(QStringLiteral("root-home/.cache/payvane-instance"))));
}

QTEST_GUILESS_MAIN(SingleApplicationTest)
#include "tst_singleapplication.moc"
