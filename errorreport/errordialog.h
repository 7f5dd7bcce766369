#ifndef PAYVANE_ERRORDIALOG_H
#define PAYVANE_ERRORDIALOG_H

#include <QDialog>

class QFile;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

QT_BEGIN_NAMESPACE
namespace Ui {
class ErrorDialog;
}
QT_END_NAMESPACE

// Asks, after a crash, whether to send an error report, and sends it: the
// product name, the version and the dump with a description of the machine,
// as one multipart form to the vendor's web server. Closes when the user
// declines, when the server's answer header arrives (whatever its status),
// when the request fails or makes no progress for DefaultStallLimitMs, or at
// once when the dump cannot be read. However it ends, its destructor removes
// the dump file.
class ErrorDialog : public QDialog
{
    Q_OBJECT

public:
    ErrorDialog(const QString &product, const QString &version, const QString &dumpPath,
                QWidget *parent = nullptr);
    ~ErrorDialog() override;

    // Sends the report to `host`:`port` instead of the server the program
    // was built for.
    void setServer(const QString &host, quint16 port);
    // How long the report may go without progress before it is given up.
    void setStallLimit(int milliseconds);

    static constexpr int DefaultStallLimitMs = 30 * 1000;
    // Progress is this many more bytes of the report on their way: a server
    // that takes a byte now and then makes none.
    static constexpr qint64 MinimumProgressBytes = 1024;

    // The machine's description appended to the dump.
    [[nodiscard]] static QString systemInformation();

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_pushButtonSend_clicked();
    void on_pushButtonCancel_clicked();
    void requestFinished();
    void responseHeaderReceived();
    void uploadProgress(qint64 sent);
    void reportStalled();

private:
    void sendReport();
    void insertProductName();

    Ui::ErrorDialog *ui;
    QNetworkAccessManager *webClient;
    QFile *dumpFile;
    QString product;
    QString version;
    QString dumpPath;
    QString serverHost;
    quint16 serverPort;
    QNetworkReply *reply = nullptr; // the report on its way, owned by webClient
    QTimer *stallTimer;             // runs while the report waits for progress
    qint64 progressMark = 0;        // bytes sent when the stall timer was last restarted
};

#endif // PAYVANE_ERRORDIALOG_H
