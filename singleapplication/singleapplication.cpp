#include "singleapplication.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QWidget>

namespace {

QString derivedId()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()
           + QStringLiteral("-instance");
}

// The user's runtime folder is private to the user (0700), which keeps the
// lock and the socket out of other users' reach.
QString runtimePath(const QString &id, const QString &suffix)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
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
