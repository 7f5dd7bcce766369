#ifndef PAYVANE_UPDATE_H
#define PAYVANE_UPDATE_H

#include "dialog.h"
#include "update_global.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QAbstractButton;
class QDateTime;
class QFile;
class QIODevice;
class QMessageBox;
class QNetworkAccessManager;
class QNetworkReply;
class QProgressDialog;
class QTemporaryDir;
class QTimer;

Q_MOC_INCLUDE(<QAbstractButton>)
Q_MOC_INCLUDE(<QNetworkReply>)

// Asks the vendor's web server whether a newer version of the product exists,
// offers it, and on consent downloads the package into a folder of the
// user's own and hands it on to be installed; then the application quits.
//
// The check is a POST of the product's identity to "/backend/update.php":
// 200 with the package's URL as body means there is a newer version, 204, a
// failed connection or a body that is no http or https URL that there is
// none; other answers end the check quietly.
// Automatic checks run at most once in five days and only while
// "UpdateAutoRun" is on; both values live in the native settings store under
// organization "Tervona" and application = the product.
//
// Everything runs on the GUI thread; requests are asynchronous and the boxes
// and the offer are modal, so answers can arrive while one of them is open.
// The boxes and the offer are built when first shown, so a start that shows
// nothing loads no fonts.
class UPDATE_EXPORT Update : public QObject
{
    Q_OBJECT

public:
    // The one updater of the process, made on first use from the
    // application's identity; never destroyed. Needs the QApplication.
    static Update *getUpdater();

    // Identity from the running application (name and version) and the
    // platform.
    Update();
    // The given identity, as is. `system` comes before `arch`.
    Update(QString productName, QString productVersion, QString osName, QString systemName, QString archName);
    ~Update() override;

    // Sets the identity; the first call (from the constructors) also sets up
    // the network clients.
    void init(QString productName, QString productVersion, QString osName, QString systemName, QString archName);

    // Checks silently when automatic checks are on and the last check is more
    // than five days old (or there was none).
    void autoCheck();
    // Shows "Checking for updates." (with Cancel) and checks; the outcome is
    // always told.
    void manualCheck();
    // Records now as the last check and sends the request; a check still
    // under way is dropped.
    void check();
    // Whether autoCheck() would check at `now`: automatic checks on, and the
    // last check strictly earlier than five days before `now` (or later than
    // `now`, made while the clock was wrong).
    [[nodiscard]] bool isAutoCheckDue(const QDateTime &now) const;

    // "UpdateAutoRun": whether automatic checks are on; the build's default
    // when never set.
    [[nodiscard]] bool autoRun() const;
    void setAutoRun(bool on);

    // Where the package is stored: a folder that only this user can write
    // (made on first use, under the temporary folder) and the file name
    // that ends the package URL. Empty when that name is unfit to be a file
    // name ("", ".", "..", or holding "/" or "\") or the folder cannot be
    // made.
    QString savePath();
    // Writes what `data` holds now to the package file at savePath(),
    // opening (and emptying) it first when it is not open. False when the
    // file cannot be opened or written, or would grow past the size limit.
    bool saveToDisk(QIODevice *data);

    // The file name that ends a package URL: the text after its last "/"
    // (query and escapes included), or "" when there is none or it is unfit.
    [[nodiscard]] static QString packageFileName(const QString &downloadUrl);

    // The vendor's web server; the build's host and port by default.
    void setServer(const QString &host, quint16 port);
    // The largest package accepted, in bytes; 512 MiB by default.
    void setPackageSizeLimit(qint64 bytes);
    // How long a download may go without progress before it is given up
    // as failed; DefaultStallLimitMs by default.
    void setStallLimit(int milliseconds);

    // A 200 answer longer than this is no URL: the check ends as "no update".
    static constexpr qint64 MaxAnswerSize = 8 * 1024;
    static constexpr qint64 DefaultPackageSizeLimit = qint64(512) * 1024 * 1024;
    static constexpr int DefaultStallLimitMs = 30 * 1000;
    // Progress is this many more bytes of the package (or the answer's
    // header): a server that trickles a byte now and then makes none.
    static constexpr qint64 MinimumProgressBytes = 1024;

signals:
    // The check ended: true when the server named a package.
    void checkFinished(bool updateAvaliable);

private slots:
    // The check request's steps: status known, body data, request done.
    void responseHeaderReceived();
    void readyRead();
    void requestFinished();
    // The outcome of a check: offer, or tell that there is nothing new.
    void updateAvaliable(bool avaliable);
    void downloadProgress(qint64 done, qint64 total);
    void downloadFinished(QNetworkReply *finished);
    void cancelDownload();
    // Cancel on the "Checking for updates." box; other buttons are ignored.
    void cancelCheck(QAbstractButton *button);
    // Package data arrived: onto the disk with it.
    void downloadReadyRead();
    // The download went DefaultStallLimitMs without progress.
    void downloadStalled();

private:
    [[nodiscard]] QByteArray hostHeader() const;
    void finishCheck(bool updateAvaliable);
    void dropCheckRequest();
    void startDownload();
    bool openPackage();
    bool closePackage();
    void discardPackage();
    void refusePackage();
    // Hands the saved package on: a detached start on Windows, the
    // desktop's handler for its type elsewhere. False when nothing started.
    [[nodiscard]] static bool startPackage(const QString &path);
    void showResult(const QString &text, const QString &informativeText);
    // The windows, made on first use.
    QMessageBox &ensureMessageBox();
    QProgressDialog &ensureProgressDialog();
    Dialog &ensureDialog();
    void restartStallTimer();

    QNetworkAccessManager *manager = nullptr;  // the download
    QNetworkAccessManager *webClient = nullptr; // the check
    QNetworkReply *checkReply = nullptr;       // the check under way; null when none
    QNetworkReply *reply = nullptr;            // the download under way; null when none
    QString downloadUrl;
    QString product;
    QString version;
    QString os;
    QString system;
    QString arch;
    QMessageBox *messageBox = nullptr; // "Checking for updates.", the results, the errors; null until shown
    QProgressDialog *progressDialog = nullptr; // null until the first download
    Dialog *dialog = nullptr;                  // the offer; null until the first
    bool manual = false;
    bool cancelled = false; // Cancel pressed on the check's box or the progress dialog

    QString serverHost;
    quint16 serverPort = 0;
    QByteArray answer;         // body of a 200 answer so far, at most MaxAnswerSize + 1
    QTemporaryDir *packageFolder = nullptr; // made on first use; null until then
    QFile *package = nullptr;            // the package being written
    qint64 packageSizeLimit = DefaultPackageSizeLimit;
    bool packageRefused = false;       // the package could not be stored: the download was stopped
    QTimer *stallTimer = nullptr;      // runs while a download waits for progress
    qint64 progressMark = 0;           // package bytes when the stall timer was last restarted
    bool stalled = false;              // the download was stopped for want of progress
};

#endif // PAYVANE_UPDATE_H
