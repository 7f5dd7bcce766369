#include "singleapplication.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString derivedId()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()
           + QStringLiteral("-instance");
}

// Whether `path` is a folder only this user can reach, creating it so when
// it is missing. A folder someone else made (or a link to one) does not do.
bool isPrivateFolder(const QString &path)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info;
    return ::lstat(name.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
           && (info.st_mode & 0077) == 0;
#else
    return QDir().mkpath(path);
#endif
}

// A folder private to the user, which keeps the lock and the socket out of
// other users' reach: the runtime folder (Qt gives none when the one it would
// use belongs to someone else); else one with the user's id in its name in
// the temporary folder; else one in the user's cache folder.
QString privateFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime;
#ifdef Q_OS_UNIX
    const QString inTemp = QDir::tempPath() + QStringLiteral("/payvane-") + QString::number(::geteuid());
    if (isPrivateFolder(inTemp))
        return inTemp;
#endif
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    QDir().mkpath(cache);
    const QString inCache = cache + QStringLiteral("/payvane-instance");
    isPrivateFolder(inCache);
    return inCache;
}

QString runtimePath(const QString &id, const QString &suffix)
{
    static const QString folder = privateFolder();
    return folder + QLatin1Char('/') + id + suffix;
}

} // namespace

SingleApplication::SingleApplication(int &argc, char **argv, const QString &id)
    : QApplication(argc, argv)
    , appId(id.isEmpty() ? derivedId() : id)
    , lockFile(std::make_unique<QLockFile>(runtimePath(appId, QStringLiteral(".lock"))))
{
    // A lock left by a crashed instance is recognised as stale by its pid.
    if (lockFile->tryLock(0))
        startServer();
    else
        otherInstanceRuns = true;
}

SingleApplication::~SingleApplication()
{
    // The server goes before the lock, so no later instance finds the lock
    // free while the socket still answers.
    delete server;
    server = nullptr;
    lockFile.reset();
}

QString SingleApplication::id() const
{
    return appId;
}

bool SingleApplication::isRunning() const
{
    return otherInstanceRuns;
}

void SingleApplication::startServer()
{
    const QString name = runtimePath(appId, QStringLiteral(".socket"));
    // Holding the lock means any socket file left there is from a dead instance.
    QLocalServer::removeServer(name);
    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name)) {
        delete server;
        server = nullptr;
        return;
    }
    connect(server, &QLocalServer::newConnection, this, &SingleApplication::receiveConnection);
}

void SingleApplication::receiveConnection()
{
    while (QLocalSocket *socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream stream(socket);
            stream.startTransaction();
            QString message;
            stream >> message;
            if (!stream.commitTransaction())
                return; // the rest of the message is still on its way
            socket->write("\1");
            socket->flush();
            if (activateOnMessage)
                activateWindow();
            emit messageReceived(message);
        });
    }
}

bool SingleApplication::sendMessage(const QString &message, int timeout)
{
    if (!otherInstanceRuns)
        return false;
    QLocalSocket socket;
    socket.connectToServer(runtimePath(appId, QStringLiteral(".socket")));
    if (!socket.waitForConnected(timeout))
        return false;
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream << message;
    socket.write(data);
    if (!socket.waitForBytesWritten(timeout))
        return false;
    // The receiver acknowledges, so the message was read before we leave.
    return socket.waitForReadyRead(timeout) && socket.read(1) == "\1";
}

void SingleApplication::setActivationWindow(QWidget *activation, bool activate)
{
    window = activation;
    activateOnMessage = activate;
}

QWidget *SingleApplication::activationWindow() const
{
    return window;
}

void SingleApplication::activateWindow()
{
    if (!window)
        return;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}
