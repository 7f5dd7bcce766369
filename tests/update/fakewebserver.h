// A web server on 127.0.0.1 for the tests: it keeps the bytes of every
// request it gets and answers each with a script of byte chunks, sent after
// the given pauses; then it closes the connection.
#ifndef PAYVANE_TESTS_FAKEWEBSERVER_H
#define PAYVANE_TESTS_FAKEWEBSERVER_H

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

class FakeWebServer : public QObject
{
public:
    struct Chunk
    {
        QByteArray bytes;
        int pauseMs = 0; // before these bytes
    };

    FakeWebServer()
    {
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
            }
        });
        server.listen(QHostAddress::LocalHost);
    }

    [[nodiscard]] quint16 port() const { return server.serverPort(); }
    [[nodiscard]] QByteArray url(const QByteArray &path) const
    {
        return "http://127.0.0.1:" + QByteArray::number(port()) + path;
    }

    // The answer to every request from now on.
    void setAnswer(const QList<Chunk> &chunks) { answer = chunks; }
    void setAnswer(const QByteArray &bytes) { answer = {{bytes, 0}}; }
    // A whole HTTP answer with the given status line and body.
    static QByteArray httpAnswer(const QByteArray &status, const QByteArray &body)
    {
        return "HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size())
               + "\r\nConnection: close\r\n\r\n" + body;
    }

    // Every complete request so far, as received.
    QList<QByteArray> requests;
    // True once the whole answer to the latest request has gone out.
    bool answered = false;

private:
    void readRequest(QTcpSocket *socket)
    {
        QByteArray &buffer = pending[socket];
        buffer += socket->readAll();
        const int headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        qsizetype bodyLength = 0;
        for (const QByteArray &line : buffer.left(headerEnd).split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                bodyLength = line.mid(15).trimmed().toLongLong();
        }
        if (buffer.size() < headerEnd + 4 + bodyLength)
            return;
        requests << buffer;
        pending.remove(socket);
        answered = false;
        play(socket, answer, 0);
    }

    void play(QTcpSocket *socket, const QList<Chunk> &chunks, int next)
    {
        QPointer<QTcpSocket> guarded(socket);
        if (next == chunks.size()) {
            answered = true;
            socket->disconnectFromHost();
            return;
        }
        QTimer::singleShot(chunks.at(next).pauseMs, this, [this, guarded, chunks, next] {
            if (!guarded || guarded->state() != QAbstractSocket::ConnectedState)
                return;
            guarded->write(chunks.at(next).bytes);
            guarded->flush();
            play(guarded, chunks, next + 1);
        });
    }

    QTcpServer server;
    QList<Chunk> answer;
    QHash<QTcpSocket *, QByteArray> pending;
};

#endif // PAYVANE_TESTS_FAKEWEBSERVER_H
