// A program to run as several instances: "probe" tells whether another
// instance runs, "serve" waits for a message as the first instance, "send"
// sends one. Answers on standard output.

#include <singleapplication.h>

#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    SingleApplication app(argc, argv, QStringLiteral("instancehelper-test"));
    const QStringList arguments = QCoreApplication::arguments();
    const QString mode = arguments.value(1);
    std::printf("%s\n", app.isRunning() ? "running" : "first");
    std::fflush(stdout);

    if (mode == QLatin1String("send")) {
        const bool sent = app.sendMessage(arguments.value(2), 5000);
        std::printf("sent %d\n", sent ? 1 : 0);
        return 0;
    }
    if (mode != QLatin1String("serve") || app.isRunning())
        return 0;

    QWidget window;
    window.setWindowState(Qt::WindowMinimized);
    app.setActivationWindow(&window, true);
    QObject::connect(&app, &SingleApplication::messageReceived, &app, [&](const QString &text) {
        std::printf("message %s visible=%d minimized=%d\n", qPrintable(text),
                    window.isVisible() ? 1 : 0, window.isMinimized() ? 1 : 0);
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    QTimer::singleShot(20000, &app, &QCoreApplication::quit);
    return QApplication::exec();
}
