// The error-report dialog: its form and texts, the report as it reaches a
// local server byte for byte, closing on the answer or a failure, and the
// dump removed however the dialog ends.

#include <errordialog.h>

#include <QBoxLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QByteArray boundary = "---------------------------193971182219750";

// A web server on 127.0.0.1 that keeps every byte it is sent and answers each
// complete request as told: with an answer header only (its body never
// follows), by closing the connection, not at all, or with the header one
// byte a second.
class RecordingServer : public QObject
{
    Q_OBJECT

public:
    enum class Answer { Header, Drop, Silent, Trickle };

    explicit RecordingServer(Answer how, const QByteArray &status = "HTTP/1.1 200 OK")
        : answer(how)
        , statusLine(status)
    {
        connect(&server, &QTcpServer::newConnection, this, &RecordingServer::accept);
        server.listen(QHostAddress::LocalHost);
    }

    quint16 port() const { return server.serverPort(); }
    int connections = 0;
    QByteArray request; // the first request received whole
    bool requestComplete() const { return !request.isEmpty(); }

private:
    void accept()
    {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            ++connections;
            auto *received = new QByteArray;
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QObject::destroyed, this, [received] { delete received; });
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, received] {
                *received += socket->readAll();
                if (!isWhole(*received))
                    return;
                if (request.isEmpty())
                    request = *received;
                respond(socket);
            });
        }
    }

    static bool isWhole(const QByteArray &bytes)
    {
        const qsizetype headEnd = bytes.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return false;
        const QByteArray head = bytes.left(headEnd).toLower();
        const qsizetype field = head.indexOf("\r\ncontent-length: ");
        if (field < 0)
            return true;
        const qsizetype valueStart = field + qsizetype(strlen("\r\ncontent-length: "));
        const qsizetype valueEnd = head.indexOf("\r\n", valueStart);
        const qint64 length = head.mid(valueStart, valueEnd < 0 ? -1 : valueEnd - valueStart).toLongLong();
        return bytes.size() - (headEnd + 4) >= length;
    }

    void respond(QTcpSocket *socket)
    {
        switch (answer) {
        case Answer::Header:
            socket->write(statusLine + "\r\nContent-Type: text/plain\r\nContent-Length: 1000\r\n\r\n");
            break;
        case Answer::Drop:
            socket->disconnectFromHost();
            break;
        case Answer::Silent:
            break;
        case Answer::Trickle: {
            auto *timer = new QTimer(socket);
            connect(timer, &QTimer::timeout, socket, [this, socket, sent = qsizetype(0)]() mutable {
                const QByteArray header = statusLine + "\r\nContent-Length: 0\r\n\r\n";
                if (sent < header.size())
                    socket->write(header.mid(sent++, 1));
            });
            timer->start(1000);
            break;
        }
        }
    }

    QTcpServer server;
    Answer answer;
    QByteArray statusLine;
};

// A dump file in a folder of its own.
class DumpFolder
{
public:
    explicit DumpFolder(const QByteArray &contents = QByteArray("MDMP\x00\x07\xff\r\n", 9))
    {
        QFile file(path());
        if (file.open(QIODevice::WriteOnly))
            file.write(contents);
    }
    QString path() const { return dir.filePath(QStringLiteral("Payvane-1234.dmp")); }

private:
    QTemporaryDir dir;
};

template<typename T>
T *child(const QWidget &dialog, const char *name)
{
    return dialog.findChild<T *>(QLatin1String(name));
}

void clickButton(const QWidget &dialog, const char *name)
{
    QPushButton *button = child<QPushButton>(dialog, name);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

// The head's lines and the body of one recorded request.
struct Request
{
    QList<QByteArray> head;
    QByteArray body;
};

Request split(const QByteArray &request)
{
    const qsizetype headEnd = request.indexOf("\r\n\r\n");
    return {request.left(headEnd).split('\n'), request.mid(headEnd + 4)};
}

} // namespace

class ErrorDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void form();
    void productInserted_data();
    void productInserted();
    void productKeptAfterLanguageChange();
    void reportReachesServer_data();
    void reportReachesServer();
    void closesOnAnswer_data();
    void closesOnAnswer();
    void unreadableDumpClosesAtOnce_data();
    void unreadableDumpClosesAtOnce();
    void dumpRemoved_data();
    void dumpRemoved();
};

void ErrorDialogTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void ErrorDialogTest::form()
{
    DumpFolder dump;
    ErrorDialog dialog(QStringLiteral("Payvane"), QStringLiteral("1.0.1.2"), dump.path());

    QCOMPARE(dialog.objectName(), QStringLiteral("ErrorDialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Unexpected Problem"));
    QCOMPARE(dialog.size(), QSize(442, 276));
    QCOMPARE(dialog.minimumSize(), QSize(442, 276));
    QCOMPARE(dialog.maximumSize(), QSize(442, 276));
    QVERIFY(!dialog.windowIcon().pixmap(32, 32).isNull());
    QCOMPARE(dialog.styleSheet(),
             QStringLiteral("QTabWidget QTabBar::tab { \n\theight: 0px;\n\tpadding:0px;\n\tborder-width:0px;\n}\n"));

    auto *tabWidget = child<QTabWidget>(dialog, "tabWidget");
    QVERIFY(tabWidget);
    QCOMPARE(dialog.layout()->objectName(), QStringLiteral("verticalLayout_2"));
    QCOMPARE(dialog.layout()->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(dialog.layout()->itemAt(0)->widget(), tabWidget);
    QCOMPARE(tabWidget->focusPolicy(), Qt::NoFocus);
    QVERIFY(tabWidget->documentMode());
    QCOMPARE(tabWidget->count(), 2);
    QCOMPARE(tabWidget->widget(0)->objectName(), QStringLiteral("tab"));
    QCOMPARE(tabWidget->widget(1)->objectName(), QStringLiteral("tab_2"));
    QCOMPARE(tabWidget->tabText(0), QStringLiteral("Tab 1"));
    QCOMPARE(tabWidget->tabText(1), QStringLiteral("Tab 2"));
    QCOMPARE(tabWidget->currentIndex(), 0);

    // Each page's layout from top to bottom; "" is a spacer.
    const QList<QPair<const char *, QStringList>> pages = {
        {"verticalLayout",
         {"labelHeader", "", "label", "", "label_2", "labelMessage", "", "horizontalLayout"}},
        {"verticalLayout_3", {"", "label_3", "", "progressBar", ""}},
    };
    for (int page = 0; page < 2; ++page) {
        QLayout *layout = tabWidget->widget(page)->layout();
        QCOMPARE(layout->objectName(), QLatin1String(pages.at(page).first));
        const QStringList &names = pages.at(page).second;
        QCOMPARE(layout->count(), names.size());
        for (int i = 0; i < names.size(); ++i) {
            QLayoutItem *item = layout->itemAt(i);
            const QObject *object = item->widget() ? static_cast<QObject *>(item->widget()) : item->layout();
            QCOMPARE(object ? object->objectName() : QString(), names.at(i));
        }
    }
    QCOMPARE(tabWidget->widget(0)->layout()->contentsMargins().bottom(), 20);
    auto *buttons = child<QHBoxLayout>(dialog, "horizontalLayout");
    QVERIFY(buttons->itemAt(0)->spacerItem());
    QCOMPARE(buttons->itemAt(1)->widget()->objectName(), QStringLiteral("pushButtonSend"));
    QCOMPARE(buttons->itemAt(2)->widget()->objectName(), QStringLiteral("pushButtonCancel"));

    const QList<QPair<const char *, QString>> labels = {
        {"label", QStringLiteral("If you were in the middle of something, the information you were working on might be lost.")},
        {"label_2", QStringLiteral("Please tell Tervona about this problem.")},
        {"label_3", QStringLiteral("Sending error report")},
    };
    for (const auto &[name, text] : labels)
        QCOMPARE(child<QLabel>(dialog, name)->text(), text);
    QCOMPARE(child<QPushButton>(dialog, "pushButtonSend")->text(), QStringLiteral("Send Error Report"));
    QCOMPARE(child<QPushButton>(dialog, "pushButtonCancel")->text(), QStringLiteral("Don't Send"));
    for (const char *name : {"labelHeader", "label_2", "label_3"})
        QVERIFY2(child<QLabel>(dialog, name)->font().bold(), name);
    QVERIFY(!child<QLabel>(dialog, "label")->font().bold());
    for (const char *name : {"labelHeader", "label", "label_2", "labelMessage"})
        QVERIFY2(child<QLabel>(dialog, name)->wordWrap(), name);
    QCOMPARE(child<QLabel>(dialog, "label_3")->alignment(), Qt::AlignCenter);

    auto *progressBar = child<QProgressBar>(dialog, "progressBar");
    QCOMPARE(progressBar->minimum(), 0);
    QCOMPARE(progressBar->maximum(), 0);
    QVERIFY(!progressBar->isTextVisible());
}

void ErrorDialogTest::productInserted_data()
{
    QTest::addColumn<QString>("product");
    QTest::newRow("Payvane") << "Payvane";
    QTest::newRow("holding the placeholder, inserted once") << "A$PRODUCTB";
    QTest::newRow("markup shown as written") << "<b>Pay</b><img src=x>";
}

void ErrorDialogTest::productInserted()
{
    QFETCH(QString, product);
    DumpFolder dump;
    ErrorDialog dialog(product, QStringLiteral("1.0.1.2"), dump.path());

    const QLabel *header = child<QLabel>(dialog, "labelHeader");
    const QLabel *message = child<QLabel>(dialog, "labelMessage");
    QCOMPARE(header->text(), product + QStringLiteral(" has encountered a problem and needs to close.  "
                                                      "We are sorry for the inconvenience.  "));
    QCOMPARE(message->text(),
             QStringLiteral("We have created an error report that you can send to help us improve ")
                 + product
                 + QStringLiteral(".  This report contains no personally identifiable information and "
                                  "will be treated as confidential and anonymous.  "));
    QCOMPARE(header->textFormat(), Qt::PlainText);
    QCOMPARE(message->textFormat(), Qt::PlainText);
}

void ErrorDialogTest::productKeptAfterLanguageChange()
{
    DumpFolder dump;
    ErrorDialog dialog(QStringLiteral("Payvane"), QStringLiteral("1.0.1.2"), dump.path());
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&dialog, &change);
    QVERIFY(child<QLabel>(dialog, "labelHeader")->text().startsWith(QStringLiteral("Payvane has")));
    QVERIFY(child<QLabel>(dialog, "labelMessage")->text().contains(QStringLiteral("improve Payvane.  ")));
}

void ErrorDialogTest::reportReachesServer_data()
{
    QTest::addColumn<QString>("product");
    QTest::addColumn<QByteArray>("dump");

    QTest::newRow("small dump") << "Payvane" << QByteArray("MDMP\x00\x07\xff\r\n--", 11);
    QTest::newRow("empty dump") << "Payvane" << QByteArray();
    QTest::newRow("product with spaces") << "Pay vane Pro" << QByteArray("d");
}

void ErrorDialogTest::reportReachesServer()
{
    QFETCH(QString, product);
    QFETCH(QByteArray, dump);

    DumpFolder folder(dump);
    RecordingServer server(RecordingServer::Answer::Header);
    ErrorDialog dialog(product, QStringLiteral("1.0.1.2"), folder.path());
    dialog.setServer(QStringLiteral("127.0.0.1"), server.port());
    dialog.show();
    clickButton(dialog, "pushButtonSend");
    QTRY_VERIFY_WITH_TIMEOUT(server.requestComplete(), 15000);

    Request request = split(server.request);
    // The named fields in their order; then what Qt adds to every request
    // and cannot be kept from adding (Accept-Language follows the locale).
    for (QByteArray &line : request.head) {
        line = line.trimmed();
        if (line.startsWith("Accept-Language: ") && line.size() > 17)
            line = "Accept-Language: *";
    }
    const QList<QByteArray> expectedHead = {
        "POST /backend/error.php HTTP/1.1",
        "Host: 127.0.0.1:" + QByteArray::number(server.port()),
        "Content-Type: multipart/form-data; boundary=" + boundary,
        "Content-Length: " + QByteArray::number(request.body.size()),
        "Connection: Keep-Alive",
        "Accept-Encoding: zstd, br, gzip, deflate",
        "Accept-Language: *",
        "User-Agent: Mozilla/5.0",
    };
    QCOMPARE(request.head, expectedHead);

    const QByteArray information = ErrorDialog::systemInformation().toLocal8Bit();
    QVERIFY(information.startsWith("\n\nSystem Information:\nOS: "));
    const QByteArray expected =
        "--" + boundary + "\r\n"
        "Content-Disposition: form-data; name=\"product\"\r\n\r\n"
        + product.toLocal8Bit() + "\r\n"
        "--" + boundary + "\r\n"
        "Content-Disposition: form-data; name=\"version\"\r\n\r\n"
        "1.0.1.2\r\n"
        "--" + boundary + "\r\n"
        "Content-Disposition: form-data; name=\"dumpData\"; filename=\"dump.dmp\"\r\n"
        "Content-Transfer-Encoding: binary\r\n\r\n"
        + dump + information + "\r\n"
        "--" + boundary + "--";
    QCOMPARE(request.body, expected);
    // Nothing follows the closing boundary, not even a line end.
    QVERIFY(server.request.endsWith("--" + boundary + "--"));
    QCOMPARE(server.connections, 1);
}

void ErrorDialogTest::closesOnAnswer_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QByteArray>("statusLine");
    QTest::addColumn<int>("stallLimitMs");

    const int header = int(RecordingServer::Answer::Header);
    const int limit = ErrorDialog::DefaultStallLimitMs;
    QTest::newRow("200") << header << QByteArray("HTTP/1.1 200 OK") << limit;
    QTest::newRow("302, not followed") << header << QByteArray("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:1/")
                                       << limit;
    QTest::newRow("404") << header << QByteArray("HTTP/1.1 404 Not Found") << limit;
    QTest::newRow("500") << header << QByteArray("HTTP/1.1 500 Internal Server Error") << limit;
    QTest::newRow("connection closed, no answer") << int(RecordingServer::Answer::Drop) << QByteArray() << limit;
    // -1: a port nobody listens on.
    QTest::newRow("port unreachable") << -1 << QByteArray() << limit;
    // Given up after the limit without progress.
    QTest::newRow("no answer") << int(RecordingServer::Answer::Silent) << QByteArray() << 1000;
    QTest::newRow("the answer a byte at a time") << int(RecordingServer::Answer::Trickle)
                                                 << QByteArray("HTTP/1.1 200 OK") << 1000;
}

void ErrorDialogTest::closesOnAnswer()
{
    QFETCH(int, answer);
    QFETCH(QByteArray, statusLine);
    QFETCH(int, stallLimitMs);

    DumpFolder dump;
    std::unique_ptr<RecordingServer> server;
    quint16 port = 0;
    if (answer >= 0) {
        server = std::make_unique<RecordingServer>(RecordingServer::Answer(answer), statusLine);
        port = server->port();
    } else {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        port = closed.serverPort();
    }
    ErrorDialog dialog(QStringLiteral("Payvane"), QStringLiteral("1.0.1.2"), dump.path());
    dialog.setServer(QStringLiteral("127.0.0.1"), port);
    dialog.setStallLimit(stallLimitMs);
    dialog.show();
    clickButton(dialog, "pushButtonSend");
    QCOMPARE(child<QTabWidget>(dialog, "tabWidget")->currentWidget()->objectName(), QStringLiteral("tab_2"));
    // The answer's body never comes: only its header can have closed it.
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 15000);
    if (server)
        QVERIFY(server->requestComplete());
}

void ErrorDialogTest::unreadableDumpClosesAtOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("removed");
    QTest::newRow("missing") << "missing" << false;
    QTest::newRow("folder, left alone") << "folder" << false;
    // The link goes, the file it points at is neither sent nor removed.
    QTest::newRow("link") << "link" << true;
    QTest::newRow("larger than a dump can be") << "large" << true;
}

void ErrorDialogTest::unreadableDumpClosesAtOnce()
{
    QFETCH(QString, kind);
    QFETCH(bool, removed);
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("dump.dmp"));
    const QString target = temp.filePath(QStringLiteral("private.txt"));
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir(temp.path()).mkdir(QStringLiteral("dump.dmp")));
    if (kind == QLatin1String("link")) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("private");
        file.close();
        QVERIFY(QFile::link(target, path));
    }
    if (kind == QLatin1String("large")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(64 * 1024 * 1024 + 1)); // sparse: takes no disk space
    }

    RecordingServer server(RecordingServer::Answer::Header);
    auto *dialog = new ErrorDialog(QStringLiteral("Payvane"), QStringLiteral("1.0.1.2"), path);
    dialog->setServer(QStringLiteral("127.0.0.1"), server.port());
    dialog->show();
    clickButton(*dialog, "pushButtonSend");
    QVERIFY(!dialog->isVisible());
    QTest::qWait(300);
    QCOMPARE(server.connections, 0);
    delete dialog;

    QCOMPARE(!QFileInfo(path).exists() && !QFileInfo(path).isSymLink(),
             removed || kind == QLatin1String("missing"));
    if (kind == QLatin1String("link"))
        QVERIFY(QFile::exists(target));
}

void ErrorDialogTest::dumpRemoved_data()
{
    QTest::addColumn<QString>("ending");
    QTest::newRow("Don't Send") << "cancel";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("sent and answered") << "sent";
    QTest::newRow("closed while sending") << "closed while sending";
}

void ErrorDialogTest::dumpRemoved()
{
    QFETCH(QString, ending);

    DumpFolder dump;
    RecordingServer server(ending == QLatin1String("sent") ? RecordingServer::Answer::Header
                                                            : RecordingServer::Answer::Silent);
    auto *dialog = new ErrorDialog(QStringLiteral("Payvane"), QStringLiteral("1.0.1.2"), dump.path());
    dialog->setServer(QStringLiteral("127.0.0.1"), server.port());
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));

    if (ending == QLatin1String("cancel")) {
        clickButton(*dialog, "pushButtonCancel");
    } else if (ending == QLatin1String("escape")) {
        QTest::keyClick(dialog, Qt::Key_Escape);
    } else {
        clickButton(*dialog, "pushButtonSend");
        QTRY_VERIFY_WITH_TIMEOUT(server.requestComplete(), 15000);
        if (ending == QLatin1String("closed while sending"))
            dialog->close();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 15000);
    QVERIFY(QFile::exists(dump.path())); // until the program lets the dialog go
    delete dialog;
    QVERIFY(!QFile::exists(dump.path()));
}

QTEST_MAIN(ErrorDialogTest)
#include "tst_errordialog.moc"
