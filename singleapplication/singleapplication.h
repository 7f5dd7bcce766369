#ifndef PAYVANE_SINGLEAPPLICATION_H
#define PAYVANE_SINGLEAPPLICATION_H

#include <QApplication>
#include <QPointer>

#include <memory>

class InstanceLock;
class QLocalServer;

// A QApplication that knows whether another instance of the same program runs
// for the same user. The first instance holds a lock on a folder private to
// the user (InstanceLock: the same folder whatever the session's runtime
// folder) and listens on a local socket in it (user access only); later
// instances find the lock taken and may send it a message. Both live as long
// as the object.
class SingleApplication : public QApplication
{
    Q_OBJECT

public:
    // An empty id derives one from the program's file name, so every copy of
    // the same program shares it.
    SingleApplication(int &argc, char **argv, const QString &id = QString());
    ~SingleApplication() override;

    // The identifier that names the lock's folder.
    [[nodiscard]] QString id() const;

    // Whether another instance already ran when this one started.
    [[nodiscard]] bool isRunning() const;

    // Takes the lock when the instance that held it has ended since this one
    // started (one that was just deciding to end, say); whether this one is
    // the first now.
    bool takeOverIfEnded();

    // Sends a text to the running instance; whether it was read within
    // timeout milliseconds (one that is still starting is waited for as
    // long). Always false in the first instance.
    bool sendMessage(const QString &message, int timeout = 5000);

    // The window that activateWindow() raises; with activateOnMessage every
    // message from another instance raises it.
    void setActivationWindow(QWidget *window, bool activateOnMessage = true);
    [[nodiscard]] QWidget *activationWindow() const;

public slots:
    // Un-minimises, shows, raises and activates the activation window.
    void activateWindow();

signals:
    void messageReceived(const QString &message);

private:
    [[nodiscard]] QString socketName() const;
    void startServer();
    void receiveConnection();

    QString appId;
    std::unique_ptr<InstanceLock> lock;
    QLocalServer *server = nullptr;
    bool otherInstanceRuns = false;
    QPointer<QWidget> window;
    bool activateOnMessage = false;
};

#endif // PAYVANE_SINGLEAPPLICATION_H
