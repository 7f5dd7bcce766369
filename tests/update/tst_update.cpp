// The updater against real local peers: the check request on the wire, the
// reading of the answers, the five-day rule, the offer, the download from a
// web server process, and the hand-over of the package. Settings live in a
// home folder of the test's own (see testsandbox.h).
#include "update.h"

#include "fakewebserver.h"
#include "testsandbox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

const QString Product = QStringLiteral("Payvane Test");
// How long an answer that should change nothing is given to do so.
constexpr int QuietMs = 400;
// Exit codes of the event loop a download runs in.
constexpr int LoopQuit = 0;     // the updater quit the application
constexpr int LoopStayed = 42;  // the test ended the loop: the program stayed
constexpr int LoopTimedOut = 99;

QByteArray answer200(const QByteArray &url)
{
    return FakeWebServer::httpAnswer("200 OK", url);
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

// ---- a request as received

QByteArray body(const QByteArray &request)
{
    return request.mid(request.indexOf("\r\n\r\n") + 4);
}

// The request line and the header fields in the order they were sent, with
// the value of Accept-Language, which follows the user's locale, as "*".
QList<QByteArray> head(const QByteArray &request)
{
    QList<QByteArray> lines = request.left(request.indexOf("\r\n\r\n")).split('\n');
    for (QByteArray &line : lines) {
        line = line.trimmed();
        if (line.startsWith("Accept-Language: ") && line.size() > 17)
            line = "Accept-Language: *";
    }
    return lines;
}

// ---- a web server process serving a folder

class PythonWebServer
{
public:
    PythonWebServer()
    {
        process.start(QStringLiteral("python3"), {QStringLiteral("-u"), QStringLiteral("-m"), QStringLiteral("http.server"),
                                                  QStringLiteral("0"), QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                                                  QStringLiteral("--directory"), root.path()});
        if (!process.waitForStarted())
            return;
        const QRegularExpression served(QStringLiteral("port (\\d+)"));
        QByteArray said;
        while (port == 0 && process.waitForReadyRead(10000)) {
            said += process.readAllStandardOutput();
            const QRegularExpressionMatch match = served.match(QString::fromLatin1(said));
            if (match.hasMatch())
                port = quint16(match.captured(1).toUInt());
        }
    }
    ~PythonWebServer()
    {
        process.kill();
        process.waitForFinished();
    }

    [[nodiscard]] bool isRunning() const { return port != 0; }
    [[nodiscard]] QByteArray url(const QByteArray &path) const
    {
        return "http://127.0.0.1:" + QByteArray::number(port) + path;
    }
    bool serve(const QString &name, const QByteArray &bytes) const
    {
        QFile file(QDir(root.path()).filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    // The GET requests it has logged so far.
    int getCount()
    {
        log += process.readAllStandardError();
        return int(log.count("\"GET "));
    }

private:
    QTemporaryDir root;
    QProcess process;
    QByteArray log;
    quint16 port = 0;
};

// ---- the desktop's handler for local files, stood in for

class PackageHandler : public QObject
{
    Q_OBJECT

public:
    PackageHandler() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~PackageHandler() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    QList<QUrl> opened;
    QByteArray bytes; // of the file when it was handed on

public slots:
    void open(const QUrl &url)
    {
        opened << url;
        QFile file(url.toLocalFile());
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
    }
};

// ---- what the modal windows showed

struct OfferSeen
{
    bool seen = false;
    QString product;
    bool boxShown = false;
    bool otherWindowShown = false; // a message box still open beside the offer
};

struct BoxSeen
{
    bool seen = false;
    QString text;
    QString informativeText;
    Qt::TextFormat informativeFormat = Qt::AutoText;
    QMessageBox::StandardButtons buttons;
};

QMessageBox *visibleMessageBox()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

template<typename T>
T *topLevel()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *found = qobject_cast<T *>(widget))
            return found;
    }
    return nullptr;
}

// Calls `shown` with the progress dialog each time one is shown: the updater
// makes it only when the first download starts.
class ProgressWatcher : public QObject
{
public:
    explicit ProgressWatcher(std::function<void(QProgressDialog *)> shown)
        : onShown(std::move(shown))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto *progress = qobject_cast<QProgressDialog *>(watched))
                onShown(progress);
        }
        return false;
    }

private:
    std::function<void(QProgressDialog *)> onShown;
};

} // namespace

Q_DECLARE_METATYPE(FakeWebServer::Chunk)

class tst_Update : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void request_data();
    void request();
    void identityOfTheApplication();
    void answers_data();
    void answers();
    void autoCheckDue_data();
    void autoCheckDue();
    void whichChecksGoOut_data();
    void whichChecksGoOut();
    void manualCheck_data();
    void manualCheck();
    void cancelledCheckIsStillAnswered_data();
    void cancelledCheckIsStillAnswered();
    void offer_data();
    void offer();
    void manualOfferIgnoresEarlierTick();
    void packageFileName_data();
    void packageFileName();
    void downloadHandsOnThePackage();
    void downloadThatCannotBeStarted();
    void downloadCancelled();
    void downloadErrors_data();
    void downloadErrors();
    void downloadAfterCancelledCheckReportsFailure();
    void downloadStalls_data();
    void downloadStalls();
    void nothingShowsByItself();

private:
    std::unique_ptr<Update> makeUpdater(const QString &product = Product);
    // Answers the next offer: ticks the box when asked, then presses
    // "buttonYes" or "buttonNo", or Escape for an empty name.
    std::shared_ptr<OfferSeen> answerOffer(const QString &button, bool tick = false);
    // Answers the next modal message box with its default button; then runs
    // `after`, when given.
    std::shared_ptr<BoxSeen> answerBox(const std::function<void()> &after = {});
    // Runs a download to its end inside the application's own event loop,
    // where quitting means something: the loop's exit code.
    static int runEventLoop(const std::function<void()> &start, int timeoutMs = 60000);

    std::unique_ptr<FakeWebServer> checkServer;
    std::unique_ptr<QObject> answerers; // the timers waiting for modal windows
};

void tst_Update::init()
{
    QVERIFY(QSettings(QStringLiteral("Tervona"), Product).fileName().startsWith(QDir::homePath()));
    QSettings(QStringLiteral("Tervona"), Product).clear();
    checkServer = std::make_unique<FakeWebServer>();
    answerers = std::make_unique<QObject>();
}

void tst_Update::cleanup()
{
    answerers.reset();
    checkServer.reset();
    // Nothing of a test stays on screen for the next.
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(!widget->isVisible(), widget->metaObject()->className());
}

std::unique_ptr<Update> tst_Update::makeUpdater(const QString &product)
{
    auto updater = std::make_unique<Update>(product, QStringLiteral("1.0.1.2"), QStringLiteral("Other"),
                                            QStringLiteral("Unknown"), QStringLiteral("Unknown"));
    updater->setServer(QStringLiteral("127.0.0.1"), checkServer->port());
    return updater;
}

std::shared_ptr<OfferSeen> tst_Update::answerOffer(const QString &button, bool tick)
{
    auto seen = std::make_shared<OfferSeen>();
    auto *timer = new QTimer(answerers.get());
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, timer, [timer, seen, button, tick] {
        // Modal before it is shown: a click before then would come too early.
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        seen->seen = true;
        seen->product = dialog->findChild<QLabel *>(QStringLiteral("labelProduct"))->text();
        auto *box = dialog->findChild<QCheckBox *>(QStringLiteral("checkBoxDisableUpdate"));
        seen->boxShown = box->isVisible();
        seen->otherWindowShown = visibleMessageBox() != nullptr;
        if (tick)
            box->setChecked(true);
        if (button.isEmpty())
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->findChild<QPushButton *>(button)->click();
    });
    timer->start();
    return seen;
}

std::shared_ptr<BoxSeen> tst_Update::answerBox(const std::function<void()> &after)
{
    auto seen = std::make_shared<BoxSeen>();
    auto *timer = new QTimer(answerers.get());
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, timer, [timer, seen, after] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        timer->stop();
        seen->seen = true;
        seen->text = box->text();
        seen->informativeText = box->informativeText();
        if (auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
            seen->informativeFormat = label->textFormat();
        seen->buttons = box->standardButtons();
        box->defaultButton()->click();
        if (after)
            after();
    });
    timer->start();
    return seen;
}

int tst_Update::runEventLoop(const std::function<void()> &start, int timeoutMs)
{
    // The program's own window stays open meanwhile, so closing the
    // updater's boxes does not end the loop.
    QWidget window;
    window.show();
    QTimer::singleShot(0, start);
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(LoopTimedOut); });
    guard.start(timeoutMs);
    const int exitCode = QCoreApplication::exec();
    // Quitting closed the window, which asks to quit once more: left
    // pending, that request would close the next test's dialogs.
    QCoreApplication::removePostedEvents(qApp, QEvent::Quit);
    return exitCode;
}

// ---- the check on the wire

void tst_Update::request_data()
{
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("os");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("arch");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("Windows 7") << "Payvane" << "Windows" << "Windows 7" << "32"
                               << QByteArray("product=Payvane&version=1.0.1.2&os=Windows&arch=32&system=Windows 7");
    QTest::newRow("spaces stay") << "Payvane Test" << "Other" << "Unknown" << "Unknown"
                                 << QByteArray("product=Payvane Test&version=1.0.1.2&os=Other&arch=Unknown&system=Unknown");
    // Plain concatenation: the server gets the characters as they are.
    QTest::newRow("reserved characters stay") << "A&B=C+D" << "Other" << "Unknown" << "Unknown"
                                              << QByteArray("product=A&B=C+D&version=1.0.1.2&os=Other&arch=Unknown&system=Unknown");
    QTest::newRow("UTF-8") << QString::fromUtf8("Payvan\xc3\xa9") << "Other" << "Unknown" << "Unknown"
                           << QByteArray("product=Payvan\xc3\xa9&version=1.0.1.2&os=Other&arch=Unknown&system=Unknown");
}

void tst_Update::request()
{
    QFETCH(QString, product);
    QFETCH(QString, os);
    QFETCH(QString, system);
    QFETCH(QString, arch);
    QFETCH(QByteArray, body);

    QSettings(QStringLiteral("Tervona"), product).clear();
    Update updater(product, QStringLiteral("1.0.1.2"), os, system, arch);
    updater.setServer(QStringLiteral("127.0.0.1"), checkServer->port());
    checkServer->setAnswer(QByteArray("HTTP/1.1 204 No Content\r\n\r\n"));

    const QDateTime before = QDateTime::currentDateTime();
    updater.check();
    const QDateTime after = QDateTime::currentDateTime();
    QTRY_COMPARE(checkServer->requests.size(), 1);

    QCOMPARE(::body(checkServer->requests.first()), body);
    // The named fields in the order they were set; then the three that Qt
    // adds to every request and that cannot be taken off it.
    const QList<QByteArray> expected = {
        "POST /backend/update.php HTTP/1.1",
        "Host: 127.0.0.1:" + QByteArray::number(checkServer->port()),
        "Cache-Control: no-cache",
        "User-Agent: User Agent",
        "Content-Type: application/x-www-form-urlencoded",
        "Content-Length: " + QByteArray::number(body.size()),
        "Connection: Keep-Alive",
        "Accept-Encoding: zstd, br, gzip, deflate",
        "Accept-Language: *",
    };
    QCOMPARE(head(checkServer->requests.first()), expected);

    // The check is recorded when it is sent.
    const QDateTime lastRun = QSettings(QStringLiteral("Tervona"), product).value("UpdateLastRun").toDateTime();
    QVERIFY(lastRun >= before && lastRun <= after);
    QSettings(QStringLiteral("Tervona"), product).clear();
}

void tst_Update::identityOfTheApplication()
{
#ifdef Q_OS_WIN
    QSKIP("the system names differ on Windows");
#endif
    QCoreApplication::setApplicationName(QStringLiteral("Payvane Sandbox"));
    QCoreApplication::setApplicationVersion(QStringLiteral("9.8.7.6"));
    auto restore = qScopeGuard([] {
        QSettings(QStringLiteral("Tervona"), QStringLiteral("Payvane Sandbox")).clear();
        QCoreApplication::setApplicationName(QStringLiteral("tst_update"));
    });
    Update updater;
    updater.setServer(QStringLiteral("127.0.0.1"), checkServer->port());
    checkServer->setAnswer(QByteArray("HTTP/1.1 204 No Content\r\n\r\n"));
    updater.check();
    QTRY_COMPARE(checkServer->requests.size(), 1);
    QCOMPARE(body(checkServer->requests.first()),
             QByteArray("product=Payvane Sandbox&version=9.8.7.6&os=Other&arch=Unknown&system=Unknown"));
    // Its settings sit under the application's name.
    QVERIFY(QSettings(QStringLiteral("Tervona"), QStringLiteral("Payvane Sandbox")).contains("UpdateLastRun"));
}

// ---- the answers

void tst_Update::answers_data()
{
    QTest::addColumn<QList<FakeWebServer::Chunk>>("answer");
    QTest::addColumn<int>("outcome"); // -1 no outcome, 0 no update, 1 update
    QTest::addColumn<QString>("fileName");

    const QByteArray url = "http://127.0.0.1:1/files/payvane-1.0.1.3.deb";
    const QString name = QStringLiteral("payvane-1.0.1.3.deb");
    using Chunks = QList<FakeWebServer::Chunk>;

    QTest::newRow("200 with a URL") << Chunks{{answer200(url), 0}} << 1 << name;
    QTest::newRow("200, https") << Chunks{{answer200("https://127.0.0.1:1/files/payvane-1.0.1.3.deb"), 0}} << 1 << name;
    QTest::newRow("200, scheme in capitals") << Chunks{{answer200("HTTP://127.0.0.1:1/files/payvane-1.0.1.3.deb"), 0}} << 1
                                             << name;
    // Anything but a web address is no update: nothing of it is fetched.
    const QList<QPair<const char *, QByteArray>> hostile = {
        {"a local file", "file:///etc/passwd"},
        {"inline data", "data:application/x-shellscript,echo%20owned"},
        {"ftp", "ftp://127.0.0.1:1/payvane.deb"},
        {"no host", "http:///files/payvane.deb"},
        {"no host, only a path", "http:files/payvane.deb"},
        {"no scheme", "//127.0.0.1:1/files/payvane.deb"},
        {"a relative path", "files/payvane.deb"},
        {"a port out of range", "http://127.0.0.1:99999/payvane.deb"},
        {"a second line", url + "\r\nX-Injected: 1"},
        {"a line end after the URL", url + "\n"},
        {"a tab", "http://127.0.0.1:1/files/pay\tvane.deb"},
        {"DEL", "http://127.0.0.1:1/files/pay\x7fvane.deb"},
        {"a C1 control", "http://127.0.0.1:1/files/pay\x85vane.deb"},
    };
    for (const auto &[tag, body] : hostile)
        QTest::newRow(tag) << Chunks{{answer200(body), 0}} << 0 << QString();
    QTest::newRow("200, the URL in chunks with pauses")
        << Chunks{{"HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(url.size()) + "\r\n\r\nhttp://127.0.0.1:1/fi", 0},
                  {"les/payvane-1.0", 150},
                  {".1.3.deb", 150}}
        << 1 << name;
    QTest::newRow("200, chunked transfer")
        << Chunks{{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n14\r\nhttp://127.0.0.1:1/f\r\n", 0},
                  {"18\r\niles/payvane-1.0.1.3.deb\r\n0\r\n\r\n", 100}}
        << 1 << name;
    QTest::newRow("200, NUL ends the URL") << Chunks{{answer200(url + QByteArray("\0tail", 5)), 0}} << 1 << name;
    QTest::newRow("200 of 8 KiB") << Chunks{{answer200(url + "?" + QByteArray(8192 - url.size() - 1, 'x')), 0}} << 1
                                  << name + QLatin1Char('?') + QString(8192 - url.size() - 1, QLatin1Char('x'));
    // Longer is no URL, and none of it is taken.
    QTest::newRow("200 of 8 KiB and 1 byte") << Chunks{{answer200(url + "?" + QByteArray(8192 - url.size(), 'x')), 0}}
                                             << 0 << QString();
    QTest::newRow("200 of 1 MiB") << Chunks{{answer200(QByteArray(1024 * 1024, 'h')), 0}} << 0 << QString();
    QTest::newRow("204") << Chunks{{"HTTP/1.1 204 No Content\r\n\r\n", 0}} << 0 << QString();
    QTest::newRow("404") << Chunks{{FakeWebServer::httpAnswer("404 Not Found", "no such page"), 0}} << -1 << QString();
    QTest::newRow("500") << Chunks{{FakeWebServer::httpAnswer("500 Internal Server Error", url), 0}} << -1 << QString();
    QTest::newRow("302, not followed")
        << Chunks{{"HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\nContent-Length: 0\r\n\r\n", 0}} << -1 << QString();
    QTest::newRow("200 without a body") << Chunks{{answer200(QByteArray()), 0}} << -1 << QString();
    QTest::newRow("200, only a NUL") << Chunks{{answer200(QByteArray(1, '\0')), 0}} << -1 << QString();
    QTest::newRow("closed without an answer") << Chunks{} << 0 << QString();
    QTest::newRow("closed in the middle of the URL")
        << Chunks{{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nhttp://127.0.0.1:1/files/pay", 0}} << 0 << QString();
    QTest::newRow("unreachable port") << Chunks{} << 0 << QString();
}

void tst_Update::answers()
{
    QFETCH(QList<FakeWebServer::Chunk>, answer);
    QFETCH(int, outcome);
    QFETCH(QString, fileName);

    const qsizetype windowsBefore = QApplication::topLevelWidgets().size();
    auto updater = makeUpdater();
    if (QByteArray(QTest::currentDataTag()) == "unreachable port") {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        updater->setServer(QStringLiteral("127.0.0.1"), closed.serverPort());
    }
    checkServer->setAnswer(answer);
    QSignalSpy finished(updater.get(), &Update::checkFinished);
    const auto offer = answerOffer(QStringLiteral("buttonNo"));

    // An automatic check: only an update is shown.
    updater->check();
    if (outcome < 0) {
        QTRY_VERIFY(checkServer->answered);
        QTest::qWait(QuietMs);
        QCOMPARE(finished.size(), 0);
    } else {
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toBool(), outcome == 1);
    }
    QCOMPARE(offer->seen, outcome == 1);
    QVERIFY(!visibleMessageBox());
    if (outcome == 1) {
        QCOMPARE(offer->product, Product);
        QVERIFY(updater->savePath().endsWith(QDir::separator() + fileName));
    }
    // One outcome per check.
    QTest::qWait(outcome < 0 ? 0 : QuietMs);
    QCOMPARE(finished.size(), outcome < 0 ? 0 : 1);
    // A window is built only to be shown: building one loads the fonts.
    if (outcome != 1)
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);
}

// ---- when checks go out

void tst_Update::autoCheckDue_data()
{
    QTest::addColumn<QVariant>("autoRun");   // null: never set
    QTest::addColumn<qint64>("msSinceLastRun"); // -1: never checked
    QTest::addColumn<bool>("due");

    const qint64 day = 24 * 3600 * 1000;
    QTest::newRow("first start") << QVariant() << qint64(-1) << bool(AUTORUN_DEFAULT);
    QTest::newRow("exactly five days ago") << QVariant(true) << 5 * day << false;
    QTest::newRow("five days and 1 ms ago") << QVariant(true) << 5 * day + 1 << true;
    QTest::newRow("five days less 1 ms ago") << QVariant(true) << 5 * day - 1 << false;
    QTest::newRow("an hour ago") << QVariant(true) << qint64(3600 * 1000) << false;
    QTest::newRow("a minute in the future") << QVariant(true) << qint64(-60 * 1000) << true;
    QTest::newRow("on, six days ago") << QVariant(true) << 6 * day << true;
    QTest::newRow("on, first start") << QVariant(true) << qint64(-1) << true;
    QTest::newRow("off, first start") << QVariant(false) << qint64(-1) << false;
    QTest::newRow("off, six days ago") << QVariant(false) << 6 * day << false;
}

void tst_Update::autoCheckDue()
{
    QFETCH(QVariant, autoRun);
    QFETCH(qint64, msSinceLastRun);
    QFETCH(bool, due);

    const QDateTime now(QDate(2027, 3, 1), QTime(10, 0));
    QSettings settings(QStringLiteral("Tervona"), Product);
    if (autoRun.isValid())
        settings.setValue("UpdateAutoRun", autoRun);
    if (msSinceLastRun != -1)
        settings.setValue("UpdateLastRun", now.addMSecs(-msSinceLastRun));
    settings.sync();

    auto updater = makeUpdater();
    QCOMPARE(updater->autoRun(), autoRun.isValid() ? autoRun.toBool() : bool(AUTORUN_DEFAULT));
    QCOMPARE(updater->isAutoCheckDue(now), due);
}

void tst_Update::whichChecksGoOut_data()
{
    QTest::addColumn<bool>("manual");
    QTest::addColumn<QVariant>("autoRun");
    QTest::addColumn<QDateTime>("lastRun");
    QTest::addColumn<bool>("sent");

    const QDateTime now = QDateTime::currentDateTime();
    QTest::newRow("automatic, first start") << false << QVariant() << QDateTime() << bool(AUTORUN_DEFAULT);
    QTest::newRow("automatic on, first start") << false << QVariant(true) << QDateTime() << true;
    QTest::newRow("automatic on, six days after") << false << QVariant(true) << now.addDays(-6) << true;
    QTest::newRow("automatic on, an hour after") << false << QVariant(true) << now.addSecs(-3600) << false;
    QTest::newRow("automatic, turned off") << false << QVariant(false) << QDateTime() << false;
    QTest::newRow("manual, an hour after") << true << QVariant() << now.addSecs(-3600) << true;
    QTest::newRow("manual, automatic turned off") << true << QVariant(false) << QDateTime() << true;
}

void tst_Update::whichChecksGoOut()
{
    QFETCH(bool, manual);
    QFETCH(QVariant, autoRun);
    QFETCH(QDateTime, lastRun);
    QFETCH(bool, sent);

    {
        QSettings settings(QStringLiteral("Tervona"), Product);
        if (autoRun.isValid())
            settings.setValue("UpdateAutoRun", autoRun);
        if (lastRun.isValid())
            settings.setValue("UpdateLastRun", lastRun);
    }
    checkServer->setAnswer(QByteArray("HTTP/1.1 204 No Content\r\n\r\n"));
    auto updater = makeUpdater();
    const auto box = answerBox();

    const QDateTime before = QDateTime::currentDateTime();
    if (manual)
        updater->manualCheck();
    else
        updater->autoCheck();

    if (sent) {
        QTRY_COMPARE(checkServer->requests.size(), 1);
        QVERIFY(QSettings(QStringLiteral("Tervona"), Product).value("UpdateLastRun").toDateTime() >= before);
    } else {
        QTest::qWait(QuietMs);
        QCOMPARE(checkServer->requests.size(), 0);
        QCOMPARE(QSettings(QStringLiteral("Tervona"), Product).value("UpdateLastRun").toDateTime(), lastRun);
    }
    // Only a manual check tells that there is nothing new.
    if (manual)
        QTRY_VERIFY(box->seen);
    else
        QVERIFY(!box->seen);
}

// ---- what the user sees of a check

void tst_Update::manualCheck_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("shown"); // "No Updates", "offer", or "" for nothing

    QTest::newRow("204") << QByteArray("HTTP/1.1 204 No Content\r\n\r\n") << "No Updates";
    QTest::newRow("closed without an answer") << QByteArray() << "No Updates";
    QTest::newRow("200 with a URL") << answer200("http://127.0.0.1:1/setup.deb") << "offer";
    QTest::newRow("200 with a local file") << answer200("file:///etc/passwd") << "No Updates";
    // No outcome: the box stays until the user cancels it.
    QTest::newRow("404") << FakeWebServer::httpAnswer("404 Not Found", QByteArray()) << "";
}

void tst_Update::manualCheck()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, shown);

    auto updater = makeUpdater();
    // The answer comes late enough to see the box that waits for it.
    checkServer->setAnswer(answer.isEmpty() ? QList<FakeWebServer::Chunk>{{QByteArray(), 300}}
                                            : QList<FakeWebServer::Chunk>{{answer, 300}});
    const auto offer = answerOffer(QStringLiteral("buttonNo"));
    const auto box = answerBox();

    updater->manualCheck();
    QMessageBox *checking = visibleMessageBox();
    QVERIFY(checking);
    QCOMPARE(checking->text(), QStringLiteral("Checking for updates."));
    QCOMPARE(checking->informativeText(), QString());
    QCOMPARE(checking->standardButtons(), QMessageBox::Cancel);
    QCOMPARE(checking->defaultButton(), checking->button(QMessageBox::Cancel));
    QVERIFY(!checking->windowIcon().isNull());
    // It does not block the window that asked.
    QVERIFY(!QApplication::activeModalWidget());

    if (shown == QLatin1String("No Updates")) {
        QTRY_VERIFY(box->seen);
        QCOMPARE(box->text, QStringLiteral("No Updates"));
        QCOMPARE(box->informativeText, QStringLiteral("You have the most recent version of Payvane Test"));
        QCOMPARE(box->buttons, QMessageBox::Ok);
        QVERIFY(!offer->seen);
    } else if (shown == QLatin1String("offer")) {
        QTRY_VERIFY(offer->seen);
        QVERIFY(!offer->boxShown);
        // The waiting box went before the offer came.
        QVERIFY(!offer->otherWindowShown);
        QVERIFY(!box->seen);
    } else {
        QTRY_VERIFY(checkServer->answered);
        QTest::qWait(QuietMs);
        QVERIFY(checking->isVisible());
        QCOMPARE(checking->text(), QStringLiteral("Checking for updates."));
        QVERIFY(!box->seen && !offer->seen);
        checking->button(QMessageBox::Cancel)->click();
    }
    QVERIFY(!visibleMessageBox());
}

void tst_Update::cancelledCheckIsStillAnswered_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("update");

    QTest::newRow("update") << answer200("http://127.0.0.1:1/setup.deb") << true;
    QTest::newRow("no update") << QByteArray("HTTP/1.1 204 No Content\r\n\r\n") << false;
}

void tst_Update::cancelledCheckIsStillAnswered()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, update);

    auto updater = makeUpdater();
    checkServer->setAnswer({{answer, 300}});
    const auto offer = answerOffer(QStringLiteral("buttonNo"));
    const auto box = answerBox();

    updater->manualCheck();
    QMessageBox *checking = visibleMessageBox();
    QVERIFY(checking);
    checking->button(QMessageBox::Cancel)->click();
    QVERIFY(!checking->isVisible());

    // The request was on the wire: its answer is shown all the same.
    if (update) {
        QTRY_VERIFY(offer->seen);
        QVERIFY(!box->seen);
    } else {
        QTRY_VERIFY(box->seen);
        QCOMPARE(box->text, QStringLiteral("No Updates"));
        QVERIFY(!offer->seen);
    }
}

// ---- the offer

void tst_Update::offer_data()
{
    QTest::addColumn<bool>("manual");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("autoRunAfter");

    QTest::newRow("automatic, ticked, No") << false << true << "buttonNo" << false;
    QTest::newRow("automatic, ticked, Yes") << false << true << "buttonYes" << false;
    QTest::newRow("automatic, ticked, closed") << false << true << "" << false;
    QTest::newRow("automatic, not ticked, No") << false << false << "buttonNo" << true;
    // The box is hidden after a manual check: ticking it changes nothing.
    QTest::newRow("manual, ticked, No") << true << true << "buttonNo" << true;
    QTest::newRow("manual, ticked, Yes") << true << true << "buttonYes" << true;
}

void tst_Update::offer()
{
    QFETCH(bool, manual);
    QFETCH(bool, tick);
    QFETCH(QString, button);
    QFETCH(bool, autoRunAfter);

    // The package would come from here; it answers 404.
    FakeWebServer packageServer;
    packageServer.setAnswer(FakeWebServer::httpAnswer("404 Not Found", QByteArray()));
    checkServer->setAnswer(answer200(packageServer.url("/setup.deb")));
    auto updater = makeUpdater();
    updater->setAutoRun(true);
    const auto offer = answerOffer(button, tick);
    const auto box = answerBox();

    if (manual)
        updater->manualCheck();
    else
        updater->check();
    QTRY_VERIFY(offer->seen);
    QCOMPARE(offer->boxShown, !manual);
    QCOMPARE(offer->product, Product);
    QCOMPARE(updater->autoRun(), autoRunAfter);

    // Only Yes downloads.
    const bool yes = button == QLatin1String("buttonYes");
    if (yes) {
        QTRY_VERIFY(box->seen);
        QCOMPARE(box->text, QStringLiteral("Error Downloading Update"));
    } else {
        QTest::qWait(QuietMs);
        QVERIFY(!box->seen);
    }
    QCOMPARE(packageServer.requests.size(), yes ? 1 : 0);
    // A plain GET; the rest is what Qt adds to every request.
    if (yes) {
        const QList<QByteArray> expected = {
            "GET /setup.deb HTTP/1.1",
            "Host: 127.0.0.1:" + QByteArray::number(packageServer.port()),
            "Connection: Keep-Alive",
            "Accept-Encoding: zstd, br, gzip, deflate",
            "Accept-Language: *",
            "User-Agent: Mozilla/5.0",
        };
        QCOMPARE(head(packageServer.requests.first()), expected);
    }
}

void tst_Update::manualOfferIgnoresEarlierTick()
{
    checkServer->setAnswer(answer200("http://127.0.0.1:1/setup.deb"));
    auto updater = makeUpdater();
    updater->setAutoRun(true);

    // Ticked during an automatic offer that was closed without an answer by
    // the test: the dialog keeps the tick.
    auto first = answerOffer(QStringLiteral("buttonNo"), true);
    updater->check();
    QTRY_VERIFY(first->seen);
    QCOMPARE(updater->autoRun(), false);

    updater->setAutoRun(true);
    const auto second = answerOffer(QStringLiteral("buttonNo"));
    updater->manualCheck();
    QTRY_VERIFY(second->seen);
    QVERIFY(!second->boxShown);
    QCOMPARE(updater->autoRun(), true);
}

// ---- the package

void tst_Update::packageFileName_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("name");

    QTest::newRow("a path") << "http://example.invalid/files/setup.exe" << "setup.exe";
    QTest::newRow("a query stays") << "http://example.invalid/get?file=a.deb" << "get?file=a.deb";
    QTest::newRow("escapes stay") << "http://example.invalid/pay%20vane.deb" << "pay%20vane.deb";
    QTest::newRow("no slash") << "setup.exe" << "";
    QTest::newRow("slash first") << "/setup.exe" << "";
    QTest::newRow("ends in a slash") << "http://example.invalid/files/" << "";
    QTest::newRow("dot") << "http://example.invalid/files/." << "";
    QTest::newRow("dot dot") << "http://example.invalid/files/.." << "";
    QTest::newRow("backslash") << "http://example.invalid/files/..\\..\\setup.exe" << "";
    QTest::newRow("three dots are a name") << "http://example.invalid/..." << "...";
}

void tst_Update::packageFileName()
{
    QFETCH(QString, url);
    QFETCH(QString, name);
    QCOMPARE(Update::packageFileName(url), name);
}

void tst_Update::downloadHandsOnThePackage()
{
    PythonWebServer web;
    QVERIFY(web.isRunning());
    const QByteArray package = randomBytes(3 * 1024 * 1024 + 17);
    QVERIFY(web.serve(QStringLiteral("payvane_1.0.1.3_amd64.deb"), package));
    checkServer->setAnswer(answer200(web.url("/payvane_1.0.1.3_amd64.deb")));
    auto updater = makeUpdater();
    // A package of exactly the limit is taken.
    updater->setPackageSizeLimit(package.size());
    PackageHandler handler;
    const auto offer = answerOffer(QStringLiteral("buttonYes"));
    const auto box = answerBox();

    // The progress as the user sees it.
    QProgressDialog *progress = nullptr;
    QList<int> values;
    QList<int> maxima;
    QStringList labels;
    ProgressWatcher watcher([&](QProgressDialog *shown) {
        if (progress)
            return;
        progress = shown;
        connect(progress->findChild<QProgressBar *>(), &QProgressBar::valueChanged, this, [&](int value) {
            if (!progress->isVisible())
                return;
            values << value;
            maxima << progress->maximum();
            labels << progress->labelText();
        });
    });

    QCOMPARE(runEventLoop([&updater] { updater->check(); }), LoopQuit);

    QVERIFY(offer->seen);
    QVERIFY(!box->seen);
    QVERIFY(!values.isEmpty());
    QCOMPARE(values.last(), int(package.size()));
    QCOMPARE(maxima.last(), int(package.size()));
    QVERIFY(std::is_sorted(values.cbegin(), values.cend()));
    QCOMPARE(labels.last(), QStringLiteral("Downloading updates"));
    QVERIFY(progress && !progress->isVisible());

    // The saved file, whole, was handed on.
    QCOMPARE(handler.opened.size(), 1);
    const QString saved = handler.opened.first().toLocalFile();
    QCOMPARE(saved, QDir::fromNativeSeparators(updater->savePath()));
    QCOMPARE(QFileInfo(saved).fileName(), QStringLiteral("payvane_1.0.1.3_amd64.deb"));
    QCOMPARE(handler.bytes, package);
    // In a folder of its own under the temporary folder that only this user
    // can get into.
    const QFileInfo folder(QFileInfo(saved).absolutePath());
    QCOMPARE(folder.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    QCOMPARE(folder.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(web.getCount(), 1);
}

void tst_Update::downloadThatCannotBeStarted()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("needs a platform that opens no files");
    PythonWebServer web;
    QVERIFY(web.isRunning());
    const QByteArray package = randomBytes(200 * 1024);
    QVERIFY(web.serve(QStringLiteral("payvane.deb"), package));
    checkServer->setAnswer(answer200(web.url("/payvane.deb")));
    auto updater = makeUpdater();
    const auto offer = answerOffer(QStringLiteral("buttonYes"));
    // Once the box is answered, the program goes on if nothing quit it.
    QObject *scope = answerers.get();
    const auto box = answerBox([scope] { QTimer::singleShot(QuietMs, scope, [] { QCoreApplication::exit(LoopStayed); }); });

    QCOMPARE(runEventLoop([&updater] { updater->check(); }), LoopStayed);

    QVERIFY(box->seen);
    const QString saved = updater->savePath();
    QCOMPARE(box->text, QStringLiteral("Error Starting Update"));
    QCOMPARE(box->informativeText, QStringLiteral("The update package was saved as ") + saved
                                       + QStringLiteral(", but no program could be started to install it."));
    QCOMPARE(box->informativeFormat, Qt::PlainText);
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), package);
}

void tst_Update::downloadCancelled()
{
    // A package that starts to come and then stalls. (Progress is reported
    // at most every 100 ms.)
    FakeWebServer packageServer;
    packageServer.setAnswer({{"HTTP/1.1 200 OK\r\nContent-Length: 10485760\r\n\r\n" + QByteArray(64 * 1024, 'p'), 0},
                             {QByteArray(64 * 1024, 'p'), 300},
                             {QByteArray(1024, 'p'), 60000}});
    checkServer->setAnswer(answer200(packageServer.url("/payvane.deb")));
    auto updater = makeUpdater();
    PackageHandler handler;
    const auto offer = answerOffer(QStringLiteral("buttonYes"));
    const auto box = answerBox();

    QProgressDialog *progress = nullptr;
    QTimer canceller;
    canceller.setInterval(10);
    connect(&canceller, &QTimer::timeout, this, [&] {
        progress = topLevel<QProgressDialog>();
        if (!progress || !progress->isVisible() || progress->value() <= 0)
            return;
        canceller.stop();
        QCOMPARE(progress->maximum(), 10485760);
        progress->findChild<QPushButton *>()->click();
        QTimer::singleShot(QuietMs, &canceller, [] { QCoreApplication::exit(LoopStayed); });
    });
    canceller.start();

    QCOMPARE(runEventLoop([&updater] { updater->check(); }), LoopStayed);

    QVERIFY(offer->seen);
    QVERIFY(!canceller.isActive());
    QVERIFY(progress && !progress->isVisible());
    QVERIFY(!box->seen);
    QVERIFY(handler.opened.isEmpty());
    // What had come is gone.
    QVERIFY(!QFile::exists(updater->savePath()));
}

void tst_Update::downloadErrors_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<bool>("fromPython"); // else a server that sends 2 MiB without a length
    QTest::addColumn<bool>("requested");
    QTest::addColumn<QString>("reason"); // empty: the reply's own error string

    const QString unable = QStringLiteral("Unable to save update package.");
    const qint64 noLimit = Update::DefaultPackageSizeLimit;
    QTest::newRow("404") << QByteArray("/missing.deb") << noLimit << true << true << QString();
    QTest::newRow("404, a name that looks like markup") << QByteArray("/<b>missing</b>.deb") << noLimit << true << true
                                                        << QString();
    // Names that are no file names are not even asked for.
    QTest::newRow("URL ends in /") << QByteArray("/") << noLimit << true << false << unable;
    QTest::newRow("name ..") << QByteArray("/files/..") << noLimit << true << false << unable;
    QTest::newRow("name .") << QByteArray("/files/.") << noLimit << true << false << unable;
    QTest::newRow("name with backslashes") << QByteArray("/..\\..\\payvane.deb") << noLimit << true << false << unable;
    QTest::newRow("over the limit, announced") << QByteArray("/big.deb") << qint64(1024 * 1024) << true << true << unable;
    QTest::newRow("over the limit, not announced") << QByteArray("/big.deb") << qint64(1024 * 1024) << false << true
                                                   << unable;
}

void tst_Update::downloadErrors()
{
    QFETCH(QByteArray, path);
    QFETCH(qint64, limit);
    QFETCH(bool, fromPython);
    QFETCH(bool, requested);
    QFETCH(QString, reason);

    PythonWebServer web;
    QVERIFY(web.isRunning());
    QVERIFY(web.serve(QStringLiteral("big.deb"), QByteArray(2 * 1024 * 1024, 'b')));
    FakeWebServer endless;
    endless.setAnswer("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + QByteArray(2 * 1024 * 1024, 'b'));
    const QByteArray url = fromPython ? web.url(path) : endless.url(path);

    if (reason.isEmpty()) {
        // What this machine's network stack says of that URL.
        QNetworkAccessManager manager;
        QNetworkReply *reply = manager.get(QNetworkRequest(QUrl(QString::fromLatin1(url))));
        QTRY_VERIFY(reply->isFinished());
        QVERIFY(reply->error() != QNetworkReply::NoError);
        reason = reply->errorString();
        delete reply;
        QTRY_COMPARE(web.getCount(), 1);
    }
    const int getsBefore = web.getCount();

    checkServer->setAnswer(answer200(url));
    auto updater = makeUpdater();
    updater->setPackageSizeLimit(limit);
    PackageHandler handler;
    const auto offer = answerOffer(QStringLiteral("buttonYes"));
    const auto box = answerBox();

    updater->check();
    QTRY_VERIFY(box->seen);
    QCOMPARE(box->text, QStringLiteral("Error Downloading Update"));
    QCOMPARE(box->informativeText, QStringLiteral("There was an error downloading the update: ") + reason);
    QCOMPARE(box->informativeFormat, Qt::PlainText);
    QCOMPARE(box->buttons, QMessageBox::Ok);
    QVERIFY(handler.opened.isEmpty());
    const QProgressDialog *progress = topLevel<QProgressDialog>();
    QVERIFY(!progress || !progress->isVisible());

    if (fromPython) {
        QTest::qWait(100);
        QCOMPARE(web.getCount() - getsBefore, requested ? 1 : 0);
    } else {
        QCOMPARE(endless.requests.size(), 1);
    }
    // Nothing of it stays on disk.
    if (!updater->savePath().isEmpty())
        QVERIFY(!QFile::exists(updater->savePath()));
}

void tst_Update::downloadAfterCancelledCheckReportsFailure()
{
    FakeWebServer packageServer;
    packageServer.setAnswer(FakeWebServer::httpAnswer("404 Not Found", QByteArray()));
    checkServer->setAnswer({{answer200(packageServer.url("/setup.deb")), 300}});
    auto updater = makeUpdater();
    const auto offer = answerOffer(QStringLiteral("buttonYes"));
    const auto box = answerBox();

    updater->manualCheck();
    visibleMessageBox()->button(QMessageBox::Cancel)->click();
    QTRY_VERIFY(offer->seen);
    // The user said Yes to this download: its failure is told.
    QTRY_VERIFY(box->seen);
    QCOMPARE(box->text, QStringLiteral("Error Downloading Update"));
}

void tst_Update::downloadStalls_data()
{
    QTest::addColumn<QList<FakeWebServer::Chunk>>("answer");
    QTest::addColumn<bool>("stalls");

    using Chunks = QList<FakeWebServer::Chunk>;
    const QByteArray header = "HTTP/1.1 200 OK\r\nContent-Length: 40960\r\n\r\n";
    // Every 100 ms a little, against a limit of a second.
    Chunks headerTrickled;
    for (const char byte : header)
        headerTrickled.append({QByteArray(1, byte), 100});
    Chunks bodyTrickled{{header, 0}};
    Chunks steady{{header, 0}};
    for (int i = 0; i < 20; ++i) {
        bodyTrickled.append({"p", 100});
        steady.append({QByteArray(2048, 'p'), 100});
    }

    QTest::newRow("no answer") << Chunks{{QByteArray(), 60000}} << true;
    QTest::newRow("the header a byte at a time") << headerTrickled << true;
    QTest::newRow("the package a byte at a time") << bodyTrickled << true;
    // Two seconds in all, but never a second without progress.
    QTest::newRow("slow but steady") << steady << false;
}

void tst_Update::downloadStalls()
{
    QFETCH(QList<FakeWebServer::Chunk>, answer);
    QFETCH(bool, stalls);

    FakeWebServer packageServer;
    packageServer.setAnswer(answer);
    checkServer->setAnswer(answer200(packageServer.url("/payvane.deb")));
    auto updater = makeUpdater();
    updater->setStallLimit(1000);
    PackageHandler handler;
    const auto offer = answerOffer(QStringLiteral("buttonYes"));
    QObject *scope = answerers.get();
    const auto box = answerBox([scope] { QTimer::singleShot(0, scope, [] { QCoreApplication::exit(LoopStayed); }); });

    QCOMPARE(runEventLoop([&updater] { updater->check(); }), stalls ? LoopStayed : LoopQuit);

    QVERIFY(offer->seen);
    if (stalls) {
        QCOMPARE(box->text, QStringLiteral("Error Downloading Update"));
        QCOMPARE(box->informativeText,
                 QStringLiteral("There was an error downloading the update: The server stopped sending it."));
        QVERIFY(handler.opened.isEmpty());
        QVERIFY(!QFile::exists(updater->savePath()));
    } else {
        QVERIFY(!box->seen);
        QCOMPARE(handler.bytes, QByteArray(40960, 'p'));
    }
}

void tst_Update::nothingShowsByItself()
{
    FakeWebServer packageServer;
    packageServer.setAnswer(FakeWebServer::httpAnswer("404 Not Found", QByteArray()));
    checkServer->setAnswer(answer200(packageServer.url("/setup.deb")));
    auto updater = makeUpdater();
    const auto offer = answerOffer(QStringLiteral("buttonYes"));
    const auto box = answerBox();
    updater->check();
    QTRY_VERIFY(box->seen);

    // Progress dialogs show themselves a few seconds after they are made or
    // have been given a value; this one must not, after the download or at
    // rest.
    QTest::qWait(4500);
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(!widget->isVisible(), widget->metaObject()->className());
}

PAYVANE_SANDBOXED_TEST_MAIN(tst_Update)
#include "tst_update.moc"
