// A calendar server that answers at once, on 127.0.0.1 and a thread of its
// own: what the publisher itself costs, apart from a server's storage (the
// CalDAV servers Debian ships all slow down with every object they hold).
// It keeps each object's text and ETag in memory and honours what the
// publisher relies on: Basic authentication, If-None-Match: * and If-Match
// (412 otherwise), GET and DELETE, keep-alive connections.
#ifndef PAYVANE_BENCH_INSTANTCALDAVSERVER_H
#define PAYVANE_BENCH_INSTANTCALDAVSERVER_H

#include <QByteArray>
#include <QCryptographicHash>
#include <QHash>
#include <QHostAddress>
#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>

#include <atomic>

class InstantCalDavServer
{
public:
    static inline const QByteArray Credentials = QByteArrayLiteral("payvane:s3cret");

    InstantCalDavServer()
    {
        m_server.moveToThread(&m_thread);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
        m_thread.start();
        QMetaObject::invokeMethod(&m_server, [this] { m_server.listen(QHostAddress::LocalHost); },
                                  Qt::BlockingQueuedConnection);
    }
    ~InstantCalDavServer()
    {
        QMetaObject::invokeMethod(&m_server, [this] { m_server.close(); qDeleteAll(m_server.children()); },
                                  Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    [[nodiscard]] QUrl collection() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/payvane/bills/").arg(m_server.serverPort()));
    }
    // How many requests came without the password (each costs a round trip).
    [[nodiscard]] int challenges() const { return m_challenges; }
    [[nodiscard]] qsizetype objectCount() const
    {
        QMutexLocker locker(&m_mutex);
        return m_objects.size();
    }

private:
    struct Object
    {
        QByteArray etag;
        QByteArray text;
    };

    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(&m_server);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { readRequests(socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                m_buffers.remove(socket);
                socket->deleteLater();
            });
        }
    }

    void readRequests(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        for (;;) {
            const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
            if (headerEnd < 0)
                return;
            const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
            QHash<QByteArray, QByteArray> headers;
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines.at(i).indexOf(':');
                if (colon > 0)
                    headers.insert(lines.at(i).left(colon).trimmed().toLower(), lines.at(i).mid(colon + 1).trimmed());
            }
            const qsizetype bodyLength = headers.value("content-length").toLongLong();
            if (buffer.size() < headerEnd + 4 + bodyLength)
                return;
            const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
            const QByteArray body = buffer.mid(headerEnd + 4, bodyLength);
            buffer.remove(0, headerEnd + 4 + bodyLength);
            if (requestLine.size() < 2)
                return socket->disconnectFromHost();
            socket->write(answer(requestLine.at(0), requestLine.at(1), headers, body));
        }
    }

    QByteArray answer(const QByteArray &verb, const QByteArray &path, const QHash<QByteArray, QByteArray> &headers,
                      const QByteArray &body)
    {
        if (headers.value("authorization") != "Basic " + Credentials.toBase64()) {
            ++m_challenges;
            return reply("401 Unauthorized", "WWW-Authenticate: Basic realm=\"bills\"\r\n");
        }
        QMutexLocker locker(&m_mutex);
        const auto found = m_objects.constFind(path);
        const bool exists = found != m_objects.constEnd();
        const QByteArray ifMatch = headers.value("if-match");
        if ((headers.value("if-none-match") == "*" && exists)
            || (!ifMatch.isEmpty() && (!exists || found->etag != ifMatch)))
            return reply("412 Precondition Failed");
        if (verb == "PUT") {
            const QByteArray etag = '"' + QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex() + '"';
            m_objects.insert(path, {etag, body});
            return reply(exists ? "204 No Content" : "201 Created", "ETag: " + etag + "\r\n");
        }
        if (!exists)
            return reply("404 Not Found");
        if (verb == "DELETE") {
            m_objects.remove(path);
            return reply("204 No Content");
        }
        if (verb == "GET")
            return reply("200 OK", "ETag: " + found->etag + "\r\nContent-Type: text/calendar\r\n", found->text);
        return reply("405 Method Not Allowed");
    }

    static QByteArray reply(const QByteArray &status, const QByteArray &headers = {}, const QByteArray &body = {})
    {
        return "HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: " + QByteArray::number(body.size())
               + "\r\n\r\n" + body;
    }

    QThread m_thread;
    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    mutable QMutex m_mutex;
    QHash<QByteArray, Object> m_objects;
    std::atomic<int> m_challenges = 0;
};

#endif // PAYVANE_BENCH_INSTANTCALDAVSERVER_H
