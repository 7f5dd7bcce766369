#include "singleapplication.h"

#include "instancelock.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QWidget>

namespace {

// How long a later start waits between attempts to reach the first, which
// may hold the lock a moment before it listens.
constexpr int ConnectRetryMs = 20;

} // namespace

SingleApplication::SingleApplication(int &argc, char **argv, const QString &id)
    : QApplication(argc, argv)
    , appId(id.isEmpty() ? InstanceLock::nameForProgram(QCoreApplication::applicationFilePath()) : id)
    , lock(std::make_unique<InstanceLock>(appId))
{
    // Without a private folder there is no lock to take: this instance runs
    // unguarded rather than never.
    if (lock->folder().isEmpty())
        return;
    if (lock->tryLock())
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
    lock.reset();
}

QString SingleApplication::id() const
{
    return appId;
}

bool SingleApplication::isRunning() const
{
    return otherInstanceRuns;
}

bool SingleApplication::takeOverIfEnded()
{
    if (otherInstanceRuns && lock->tryLock()) {
        otherInstanceRuns = false;
        startServer();
    }
    return !otherInstanceRuns;
}

QString SingleApplication::socketName() const
{
    return lock->folder() + QStringLiteral("/socket");
}

void SingleApplication::startServer()
{
    const QString name = socketName();
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
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    // The first instance takes the lock before it listens: a start in
    // between finds no socket yet and tries again.
    for (;;) {
        socket.connectToServer(socketName());
        if (socket.waitForConnected(int(deadline.remainingTime())))
            break;
        if (deadline.hasExpired())
            return false;
        socket.abort();
        QThread::msleep(ConnectRetryMs);
    }
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream << message;
    socket.write(data);
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    // The receiver acknowledges, so the message was read before we leave.
    return socket.waitForReadyRead(int(deadline.remainingTime())) && socket.read(1) == "\1";
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
