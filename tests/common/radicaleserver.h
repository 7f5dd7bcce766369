#ifndef PAYVANE_TESTS_RADICALESERVER_H
#define PAYVANE_TESTS_RADICALESERVER_H

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QXmlStreamReader>

// A CalDAV server for tests and benchmarks: Debian's radicale on 127.0.0.1,
// a free port, a temporary storage folder, one htpasswd user and one
// calendar. Only this process's own server is ever stopped.
class RadicaleServer
{
public:
    static inline const QString Python = QStringLiteral("/usr/bin/python3");
    static inline const QString User = QStringLiteral("payvane");
    static inline const QString Password = QStringLiteral("s3cret pass");

    struct StoredObject
    {
        QByteArray etag;
        QByteArray data;
    };

    RadicaleServer()
    {
        QTcpServer probe;
        if (probe.listen(QHostAddress::LocalHost))
            m_port = probe.serverPort();
        QFile users(m_dir.filePath(QStringLiteral("users")));
        if (users.open(QIODevice::WriteOnly))
            users.write((User + u':' + Password + u'\n').toUtf8());
        QFile config(m_dir.filePath(QStringLiteral("config")));
        if (config.open(QIODevice::WriteOnly)) {
            config.write(QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n"
                                        "[auth]\ntype = htpasswd\nhtpasswd_filename = %2\n"
                                        "htpasswd_encryption = plain\n"
                                        "[storage]\nfilesystem_folder = %3\n"
                                        "[logging]\nlevel = error\n")
                             .arg(m_port)
                             .arg(users.fileName(), m_dir.filePath(QStringLiteral("storage")))
                             .toUtf8());
        }
    }
    ~RadicaleServer() { stop(); }

    // Whether radicale is installed; without it the tests are skipped.
    [[nodiscard]] static bool available()
    {
        return QProcess::execute(Python, {QStringLiteral("-c"), QStringLiteral("import radicale")}) == 0;
    }

    // Starts the server and waits until it takes connections.
    bool start()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(Python, {QStringLiteral("-m"), QStringLiteral("radicale"), QStringLiteral("--config"),
                                 m_dir.filePath(QStringLiteral("config"))});
        if (!m_process.waitForStarted())
            return false;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 30000 && m_process.state() == QProcess::Running) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(500))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished();
    }

    [[nodiscard]] QUrl collection() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/%2/bills/").arg(m_port).arg(User));
    }
    // The path a stored object's href names, for a UID.
    [[nodiscard]] QString objectPath(const QByteArray &uid) const
    {
        return collection().path() + QString::fromLatin1(uid) + QStringLiteral(".ics");
    }

    // One request with the user's password; the status, and the body in *body.
    int request(const QByteArray &verb, const QUrl &url, const QByteArray &data = {},
                const QList<QPair<QByteArray, QByteArray>> &headers = {}, QByteArray *body = nullptr)
    {
        QNetworkRequest request(url);
        request.setRawHeader("Authorization", "Basic " + (User + u':' + Password).toUtf8().toBase64());
        for (const auto &header : headers)
            request.setRawHeader(header.first, header.second);
        QNetworkReply *reply = m_network.sendCustomRequest(request, verb, data);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        if (body)
            *body = reply->readAll();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        reply->deleteLater();
        return status;
    }

    bool makeCalendar() { return request("MKCALENDAR", collection()) == 201; }

    // Every object of the calendar by its href's path: ETag and text
    // (a calendar-query REPORT).
    QMap<QString, StoredObject> objects()
    {
        const QByteArray query = "<?xml version=\"1.0\"?>"
                                 "<C:calendar-query xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\">"
                                 "<D:prop><D:getetag/><C:calendar-data/></D:prop>"
                                 "<C:filter><C:comp-filter name=\"VCALENDAR\"/></C:filter>"
                                 "</C:calendar-query>";
        QByteArray body;
        request("REPORT", collection(), query,
                {{"Depth", "1"}, {"Content-Type", "application/xml; charset=utf-8"}}, &body);
        QMap<QString, StoredObject> found;
        QXmlStreamReader xml(body);
        QString href;
        StoredObject object;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            if (xml.name() == QLatin1String("response")) {
                href.clear();
                object = StoredObject();
            } else if (xml.name() == QLatin1String("href")) {
                href = QUrl::fromPercentEncoding(xml.readElementText().toUtf8());
            } else if (xml.name() == QLatin1String("getetag")) {
                object.etag = xml.readElementText().toUtf8();
            } else if (xml.name() == QLatin1String("calendar-data")) {
                object.data = xml.readElementText().toUtf8();
                found.insert(href, object);
            }
        }
        return found;
    }

    // How many objects the storage folder holds (read without the server).
    [[nodiscard]] int storedFileCount() const
    {
        QDir calendar(m_dir.filePath(QStringLiteral("storage/collection-root/%1/bills").arg(User)));
        return int(calendar.entryList({QStringLiteral("*.ics")}, QDir::Files).size());
    }

private:
    QTemporaryDir m_dir;
    quint16 m_port = 0;
    QProcess m_process;
    QNetworkAccessManager m_network;
};

#endif // PAYVANE_TESTS_RADICALESERVER_H
