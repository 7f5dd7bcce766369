#include "update.h"

#include "updateschedule.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <limits>

namespace {

const char *const CheckPath = "/backend/update.php";
const char *const IconPath = ":/resources/update-icon.ico";

constexpr int InformativeTextWidth = 320;

// A byte count as a step of the progress bar, which counts in int.
int progressSteps(qint64 value)
{
    return int(qBound(qint64(std::numeric_limits<int>::min()), value,
                      qint64(std::numeric_limits<int>::max())));
}

// Statuses the server answered with (404, 500, ...) are answers; everything
// else that goes wrong is a failed connection.
bool failedOnTheWire(QNetworkReply::NetworkError error)
{
    const bool httpStatus = (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
                            || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
    return error != QNetworkReply::NoError && !httpStatus;
}

// Only a web address is fetched: no local file, no data inlined in the
// answer, nothing that could slip a line of its own into a request. The
// answer's size limit bounds its length.
bool isPackageUrl(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f))
            return false;
    }
    const QUrl url(text);
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
           && !url.host().isEmpty();
}

int statusCode(const QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

// Text shown in the message box's second line, which Qt would otherwise take
// for rich text when it looks like some: server and file names are plain.
// The box is as wide as its short first line; the second line, which can
// hold a URL or a path, gets room enough not to break after every word.
void setPlainInformativeText(QMessageBox &box, const QString &text)
{
    box.setInformativeText(text);
    if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"))) {
        label->setTextFormat(Qt::PlainText);
        label->setMinimumWidth(InformativeTextWidth);
    }
}

} // namespace

Update *Update::getUpdater()
{
    // Intentionally never deleted: the updater outlives every window, and a
    // package handed on stays in its folder after the program has quit.
    static Update *const updater = new Update;
    return updater;
}

Update::Update()
{
    QString osName = QStringLiteral("Other");
    QString systemName = QStringLiteral("Unknown");
    QString archName = QStringLiteral("Unknown");
#ifdef Q_OS_WIN
    osName = QStringLiteral("Windows");
    archName = QString::number(QT_POINTER_SIZE * 8);
    const QString release = QSysInfo::productVersion();
    if (release == QLatin1String("XP") || release == QLatin1String("Vista") || release == QLatin1String("7"))
        systemName = QStringLiteral("Windows ") + release;
    else
        systemName = QStringLiteral("Windows Other");
#endif
    init(QCoreApplication::applicationName(), QCoreApplication::applicationVersion(), osName, systemName, archName);
}

Update::Update(QString productName, QString productVersion, QString osName, QString systemName, QString archName)
{
    init(productName, productVersion, osName, systemName, archName);
}

Update::~Update()
{
    // Replies that go down with their manager report nothing to us any more.
    if (checkReply)
        checkReply->disconnect(this);
    if (reply)
        reply->disconnect(this);
    manager->disconnect(this);
    // The replies are the managers' children.
    delete webClient;
    delete manager;
    delete package;
    delete packageFolder;
    delete messageBox;
    delete progressDialog;
    delete dialog;
}

void Update::init(QString productName, QString productVersion, QString osName, QString systemName, QString archName)
{
    product = productName;
    version = productVersion;
    os = osName;
    system = systemName;
    arch = archName;
    // The rest is set up once; a later call changes only the identity.
    if (webClient)
        return;

    webClient = new QNetworkAccessManager;
    manager = new QNetworkAccessManager;
    package = new QFile;
    stallTimer = new QTimer(this);
    stallTimer->setSingleShot(true);
    stallTimer->setInterval(DefaultStallLimitMs);
    cancelled = false;
    downloadUrl.clear();
    checkReply = nullptr;
    serverHost = QStringLiteral(PAYVANE_SERVER_HOST);
    serverPort = PAYVANE_SERVER_PORT;

    connect(this, &Update::checkFinished, this, &Update::updateAvaliable);
    connect(manager, &QNetworkAccessManager::finished, this, &Update::downloadFinished);
    connect(stallTimer, &QTimer::timeout, this, &Update::downloadStalled);
}

// Building a window loads the fonts, which costs more than all the rest of
// a start that shows nothing; so each is made when first shown.
QMessageBox &Update::ensureMessageBox()
{
    if (messageBox)
        return *messageBox;
    messageBox = new QMessageBox;
    messageBox->setWindowIcon(QIcon(QString::fromLatin1(IconPath)));
    // Server and file names appear in the boxes: never as rich text.
    messageBox->setTextFormat(Qt::PlainText);
    // "Checking for updates." leaves the program usable; the results are
    // run modally all the same.
    messageBox->setModal(false);
    connect(messageBox, &QMessageBox::buttonClicked, this, &Update::cancelCheck);
    return *messageBox;
}

QProgressDialog &Update::ensureProgressDialog()
{
    if (progressDialog)
        return *progressDialog;
    progressDialog = new QProgressDialog;
    progressDialog->setWindowIcon(QIcon(QString::fromLatin1(IconPath)));
    // A progress dialog shows itself a few seconds after it is made, and
    // hides itself at 100 %; this one is shown and closed by the download.
    progressDialog->reset();
    progressDialog->setAutoReset(false);
    progressDialog->setAutoClose(false);
    connect(progressDialog, &QProgressDialog::canceled, this, &Update::cancelDownload);
    return *progressDialog;
}

Dialog &Update::ensureDialog()
{
    if (!dialog)
        dialog = new Dialog;
    return *dialog;
}

void Update::setServer(const QString &host, quint16 port)
{
    serverHost = host;
    serverPort = port;
}

void Update::setPackageSizeLimit(qint64 bytes)
{
    packageSizeLimit = bytes;
}

void Update::setStallLimit(int milliseconds)
{
    stallTimer->setInterval(milliseconds);
}

// ---- settings

bool Update::autoRun() const
{
    return updateAutoRun(product);
}

void Update::setAutoRun(bool on)
{
    setUpdateAutoRun(product, on);
}

bool Update::isAutoCheckDue(const QDateTime &now) const
{
    return isUpdateCheckDue(product, now);
}

// ---- the check

void Update::autoCheck()
{
    manual = false;
    if (isAutoCheckDue(QDateTime::currentDateTime()))
        check();
}

void Update::manualCheck()
{
    manual = true;
    QMessageBox &box = ensureMessageBox();
    box.setText(QStringLiteral("Checking for updates."));
    box.setInformativeText(QString());
    box.setStandardButtons(QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    box.show();
    check();
}

QByteArray Update::hostHeader() const
{
    QByteArray host = QUrl::toAce(serverHost);
    if (host.isEmpty())
        host = serverHost.toLatin1();
    if (serverPort != 80)
        host += ':' + QByteArray::number(serverPort);
    return host;
}

void Update::check()
{
    // A store that cannot be written keeps the old date; the check goes out.
    recordUpdateCheck(product, QDateTime::currentDateTime());
    cancelled = false;
    downloadUrl.clear();
    dropCheckRequest();

    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(serverHost);
    url.setPort(serverPort);
    url.setPath(QString::fromLatin1(CheckPath));

    QNetworkRequest request(url);
    // The check is one exchange with the vendor's server; a redirect is just
    // another answer that names no package.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setRawHeader("Host", hostHeader());
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("User-Agent", "User Agent");
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));

    // The server reads the values as they are, spaces and all.
    const QString body = QStringLiteral("product=") + product + QStringLiteral("&version=") + version
                         + QStringLiteral("&os=") + os + QStringLiteral("&arch=") + arch
                         + QStringLiteral("&system=") + system;

    answer.clear();
    checkReply = webClient->post(request, body.toUtf8());
    // No answer worth taking is longer: the rest waits on the wire.
    checkReply->setReadBufferSize(MaxAnswerSize + 1);
    connect(checkReply, &QNetworkReply::metaDataChanged, this, &Update::responseHeaderReceived);
    connect(checkReply, &QNetworkReply::readyRead, this, &Update::readyRead);
    connect(checkReply, &QNetworkReply::finished, this, &Update::requestFinished);
}

void Update::dropCheckRequest()
{
    if (!checkReply)
        return;
    QNetworkReply *dropped = checkReply;
    checkReply = nullptr;
    dropped->disconnect(this);
    // Deleting it ends it; until then its small read buffer holds the rest
    // of the answer back.
    dropped->deleteLater();
}

void Update::finishCheck(bool updateAvaliable)
{
    // The outcome may open modal boxes; the request is done with before.
    dropCheckRequest();
    emit checkFinished(updateAvaliable);
}

void Update::responseHeaderReceived()
{
    switch (statusCode(checkReply)) {
    case 204:
        finishCheck(false);
        break;
    case 200:
        break;
    default:
        // Any other answer names no package and ends the check without an
        // outcome; its body is not wanted.
        if (statusCode(checkReply) != 0)
            dropCheckRequest();
        break;
    }
}

void Update::readyRead()
{
    if (statusCode(checkReply) != 200) {
        checkReply->skip(checkReply->bytesAvailable());
        return;
    }
    answer += checkReply->read(MaxAnswerSize + 1 - answer.size());
    // A URL is short: a longer answer is not taken, not even in part.
    if (answer.size() > MaxAnswerSize)
        finishCheck(false);
}

void Update::requestFinished()
{
    const QNetworkReply::NetworkError error = checkReply->error();
    if (error == QNetworkReply::NoError && statusCode(checkReply) == 200) {
        answer += checkReply->read(MaxAnswerSize + 1 - answer.size());
        if (answer.size() > MaxAnswerSize) {
            finishCheck(false);
            return;
        }
        const int end = answer.indexOf('\0');
        downloadUrl = QString::fromLatin1(end >= 0 ? answer.left(end) : answer);
        // A 200 answer without a URL names nothing to offer; one with
        // anything else than a web address offers nothing either.
        if (downloadUrl.isEmpty()) {
            dropCheckRequest();
        } else if (!isPackageUrl(downloadUrl)) {
            downloadUrl.clear();
            finishCheck(false);
        } else {
            finishCheck(true);
        }
    } else if (failedOnTheWire(error)) {
        finishCheck(false);
    } else {
        dropCheckRequest();
    }
}

void Update::cancelCheck(QAbstractButton *button)
{
    if (messageBox->standardButton(button) != QMessageBox::Cancel)
        return;
    // The request stays on the wire: an answer that still comes is shown.
    cancelled = true;
    messageBox->close();
}

// ---- the outcome

void Update::showResult(const QString &text, const QString &informativeText)
{
    // The box may still be open without modality ("Checking for updates.");
    // hidden first, it comes back modal.
    QMessageBox &box = ensureMessageBox();
    box.hide();
    box.setText(text);
    setPlainInformativeText(box, informativeText);
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    box.close();
}

void Update::updateAvaliable(bool avaliable)
{
    if (!avaliable) {
        if (manual)
            showResult(QStringLiteral("No Updates"), QStringLiteral("You have the most recent version of ") + product);
        return;
    }
    if (messageBox)
        messageBox->close();
    // One offer and one package at a time: an answer that comes while one
    // is open or on its way waits for the next check.
    if (reply || (dialog && dialog->isVisible()))
        return;

    Dialog &offer = ensureDialog();
    offer.setProduct(product);
    offer.setDisableUpdateVisible(!manual);
    const int result = offer.exec();
    if (offer.disableUpdate())
        setAutoRun(false);
    offer.close();
    if (result == QMessageBox::Yes)
        startDownload();
}

// ---- the download

void Update::startDownload()
{
    // Consent to this download: what a cancelled check left behind no longer
    // holds its failures back.
    cancelled = false;
    packageRefused = false;
    stalled = false;
    if (!openPackage()) {
        showResult(QStringLiteral("Error Downloading Update"),
                   QStringLiteral("There was an error downloading the update: Unable to save update package."));
        return;
    }

    QNetworkRequest request{QUrl(downloadUrl)};
    // Redirects are followed, but never from https to http.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    reply = manager->get(request);
    connect(reply, &QNetworkReply::downloadProgress, this, &Update::downloadProgress);
    connect(reply, &QNetworkReply::readyRead, this, &Update::downloadReadyRead);
    // An answer's header (of a redirect, too) is progress.
    connect(reply, &QNetworkReply::metaDataChanged, this, &Update::restartStallTimer);
    progressMark = 0;
    stallTimer->start();

    QProgressDialog &progress = ensureProgressDialog();
    progress.reset();
    progress.setLabelText(QStringLiteral("Downloading updates"));
    progress.setRange(0, 0);
    progress.show();
}

void Update::downloadProgress(qint64 done, qint64 total)
{
    if (total > packageSizeLimit) {
        refusePackage();
        return;
    }
    // Without a length the bar shows that something is going on.
    progressDialog->setMaximum(progressSteps(qMax(total, qint64(0))));
    progressDialog->setValue(progressSteps(total > 0 ? done : 0));
}

void Update::downloadReadyRead()
{
    if (!saveToDisk(reply)) {
        refusePackage();
        return;
    }
    if (package->pos() - progressMark >= MinimumProgressBytes) {
        progressMark = package->pos();
        stallTimer->start();
    }
}

void Update::restartStallTimer()
{
    stallTimer->start();
}

void Update::downloadStalled()
{
    if (!reply)
        return;
    stalled = true;
    reply->abort();
}

void Update::refusePackage()
{
    if (!reply || packageRefused)
        return;
    packageRefused = true;
    reply->abort();
}

void Update::cancelDownload()
{
    cancelled = true;
    if (reply)
        reply->abort();
}

void Update::downloadFinished(QNetworkReply *finished)
{
    if (finished != reply) {
        finished->deleteLater();
        return;
    }
    reply = nullptr;
    stallTimer->stop();
    // Hidden, not closed: closing the dialog is the user's Cancel.
    progressDialog->hide();
    progressDialog->reset();

    const bool received = !packageRefused && !stalled && finished->error() == QNetworkReply::NoError;
    if (received && saveToDisk(finished) && closePackage()) {
        const QString path = package->fileName();
        finished->deleteLater();
        if (startPackage(path)) {
            QCoreApplication::quit();
            return;
        }
        showResult(QStringLiteral("Error Starting Update"),
                   QStringLiteral("The update package was saved as ") + QDir::toNativeSeparators(path)
                       + QStringLiteral(", but no program could be started to install it."));
        return;
    }

    discardPackage();
    if (!cancelled) {
        QString reason = finished->errorString();
        if (received || packageRefused)
            reason = QStringLiteral("Unable to save update package.");
        else if (stalled)
            reason = QStringLiteral("The server stopped sending it.");
        finished->deleteLater();
        showResult(QStringLiteral("Error Downloading Update"),
                   QStringLiteral("There was an error downloading the update: ") + reason);
        return;
    }
    finished->deleteLater();
}

bool Update::startPackage(const QString &path)
{
#ifdef Q_OS_WIN
    return QProcess::startDetached(path, QStringList());
#else
    // A downloaded file is no program here: the desktop opens it with the
    // handler for its type (a .deb goes to the software installer).
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}

// ---- the package on disk

QString Update::packageFileName(const QString &downloadUrl)
{
    const int slash = downloadUrl.lastIndexOf(QLatin1Char('/'));
    const QString name = slash > 0 ? downloadUrl.mid(slash + 1) : QString();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.contains(QLatin1Char('\\')))
        return QString();
    return name;
}

QString Update::savePath()
{
    const QString name = packageFileName(downloadUrl);
    if (name.isEmpty())
        return QString();
    // A folder only this user can write, so nobody else can have prepared
    // the name the package is written through.
    if (!packageFolder || !packageFolder->isValid()) {
        delete packageFolder;
        packageFolder = new QTemporaryDir(
            QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation)).filePath(QStringLiteral("update-XXXXXX")));
        if (!packageFolder->isValid())
            return QString();
    }
    QString folder = QDir::toNativeSeparators(packageFolder->path());
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder + name;
}

bool Update::openPackage()
{
    const QString path = savePath();
    if (path.isEmpty())
        return false;
    package->close();
    package->setFileName(path);
    return package->open(QIODevice::WriteOnly | QIODevice::Truncate);
}

bool Update::saveToDisk(QIODevice *data)
{
    if (!package->isOpen() && !openPackage())
        return false;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 read = data->read(buffer, sizeof buffer);
        if (read <= 0)
            return true;
        if (package->pos() + read > packageSizeLimit || package->write(buffer, read) != read)
            return false;
    }
}

bool Update::closePackage()
{
    const bool flushed = package->flush();
    package->close();
    return flushed && package->error() == QFileDevice::NoError;
}

void Update::discardPackage()
{
    if (package->fileName().isEmpty())
        return;
    package->close();
    package->remove();
}
