// The single-instance object across real processes sharing one runtime folder.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class SingleApplicationTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void laterInstancesSeeTheFirst();
    void staleLockOfKilledInstanceIsIgnored();
    void messageActivatesWindow();

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

QTEST_GUILESS_MAIN(SingleApplicationTest)
#include "tst_singleapplication.moc"
