#include "errordialog.h"
#include "ui_errordialog.h"

#include "dumpfile.h"
#include "reportbody.h"
#include "systeminformation.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

const QString productPlaceholder = QStringLiteral("$PRODUCT");

} // namespace

ErrorDialog::ErrorDialog(const QString &productName, const QString &productVersion,
                         const QString &dumpFilePath, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ErrorDialog)
    , webClient(new QNetworkAccessManager)
    , dumpFile(new QFile(dumpFilePath))
    , product(productName)
    , version(productVersion)
    , dumpPath(dumpFilePath)
    , serverHost(QStringLiteral(PAYVANE_SERVER_HOST))
    , serverPort(PAYVANE_SERVER_PORT)
    , stallTimer(new QTimer(this))
{
    Q_INIT_RESOURCE(errorreport);
    stallTimer->setSingleShot(true);
    stallTimer->setInterval(DefaultStallLimitMs);
    connect(stallTimer, &QTimer::timeout, this, &ErrorDialog::reportStalled);
    ui->setupUi(this);
    insertProductName();
    ui->tabWidget->setCurrentWidget(ui->tab);
}

ErrorDialog::~ErrorDialog()
{
    // A report still on its way must not call back into a dialog being torn down.
    if (reply)
        disconnect(reply, nullptr, this, nullptr);
    delete ui;
    removeDump(*dumpFile);
    delete dumpFile;
    // Takes a report still on its way with it.
    delete webClient;
}

void ErrorDialog::setServer(const QString &host, quint16 port)
{
    serverHost = host;
    serverPort = port;
}

void ErrorDialog::setStallLimit(int milliseconds)
{
    stallTimer->setInterval(milliseconds);
}

QString ErrorDialog::systemInformation()
{
    return ::systemInformation();
}

void ErrorDialog::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        // The form's texts carry the placeholder; the user should never see it.
        insertProductName();
    }
}

void ErrorDialog::on_pushButtonSend_clicked()
{
    ui->tabWidget->setCurrentWidget(ui->tab_2);
    sendReport();
}

void ErrorDialog::on_pushButtonCancel_clicked()
{
    close();
}

void ErrorDialog::requestFinished()
{
    stallTimer->stop();
    // A request that ended without an answer: no connection, no such host,
    // the connection dropped, no progress for too long. An answer closed the
    // dialog already.
    if (reply->error() != QNetworkReply::NoError)
        close();
}

void ErrorDialog::responseHeaderReceived()
{
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        close();
}

void ErrorDialog::sendReport()
{
    const std::optional<QByteArray> dump = readDump(*dumpFile);
    if (!dump) {
        close();
        return;
    }
    const QByteArray body = reportBody(product.toLocal8Bit(), version.toLocal8Bit(), *dump,
                                       systemInformation().toLocal8Bit());

    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(serverHost);
    url.setPort(serverPort);
    url.setPath(QStringLiteral("/backend/error.php"));
    QNetworkRequest request(url);
    // One plain HTTP/1.1 request; a redirect is an answer like any other.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    QByteArray host = QUrl::toAce(serverHost);
    if (host.isEmpty())
        host = serverHost.toLatin1();
    if (serverPort != 80)
        host += ':' + QByteArray::number(serverPort);
    request.setRawHeader("Host", host);
    request.setRawHeader("Content-Type", "multipart/form-data; boundary=" + reportBoundary());
    request.setRawHeader("Content-Length", QByteArray::number(body.size()));

    reply = webClient->post(request, body);
    connect(reply, &QNetworkReply::metaDataChanged, this, &ErrorDialog::responseHeaderReceived);
    connect(reply, &QNetworkReply::finished, this, &ErrorDialog::requestFinished);
    connect(reply, &QNetworkReply::uploadProgress, this, &ErrorDialog::uploadProgress);
    progressMark = 0;
    stallTimer->start();
}

void ErrorDialog::uploadProgress(qint64 sent)
{
    if (sent - progressMark < MinimumProgressBytes)
        return;
    progressMark = sent;
    stallTimer->start();
}

void ErrorDialog::reportStalled()
{
    // Failed like a dropped connection: the dialog closes.
    if (reply && reply->isRunning())
        reply->abort();
}

void ErrorDialog::insertProductName()
{
    // One pass each: a product name holding the placeholder stays as it is.
    ui->labelHeader->setText(ui->labelHeader->text().replace(productPlaceholder, product));
    ui->labelMessage->setText(ui->labelMessage->text().replace(productPlaceholder, product));
}
