#ifndef PAYVANE_TESTS_XSESSION_H
#define PAYVANE_TESTS_XSESSION_H

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTest>

// A desktop of the test's own: an X server without a screen (Xvfb) on a free
// display, optionally with a window manager (openbox), and the X tools that
// look at its windows (xdotool, xprop). Programs started with environment()
// show their windows there as on a user's desktop.
namespace xsession {

// Every tool the session needs, or the first one missing.
inline QString missingTool(bool windowManager)
{
    QStringList tools{QStringLiteral("Xvfb"), QStringLiteral("xdotool"), QStringLiteral("xprop")};
    if (windowManager)
        tools << QStringLiteral("openbox") << QStringLiteral("xmessage");
    for (const QString &tool : std::as_const(tools)) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return tool;
    }
    return {};
}

class XSession
{
public:
    XSession() = default;
    XSession(const XSession &) = delete;
    XSession &operator=(const XSession &) = delete;

    ~XSession()
    {
        for (QProcess *process : {&windowManager, &server}) {
            process->terminate();
            if (!process->waitForFinished(5000)) {
                process->kill();
                process->waitForFinished();
            }
        }
    }

    // Starts the server (and the window manager); false when it did not come.
    bool start(bool withWindowManager)
    {
        // The server picks a free display and names it on standard output.
        server.start(QStringLiteral("Xvfb"),
                     {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                      QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!server.waitForReadyRead(30000))
            return false;
        m_display = QLatin1Char(':') + QString::fromLatin1(server.readLine().trimmed());
        if (!withWindowManager)
            return true;
        windowManager.setProcessEnvironment(environment());
        windowManager.start(QStringLiteral("openbox"), {});
        // A window manager announces itself on the root window.
        for (int waited = 0; waited < 30000 && windowManager.state() != QProcess::NotRunning; waited += 50) {
            if (!tool(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                     .contains(QLatin1String("not found")))
                return managesWindows();
            QTest::qWait(50);
        }
        return false;
    }

    [[nodiscard]] QString display() const { return m_display; }

    // The system's environment with this display; Qt programs use X.
    [[nodiscard]] QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return env;
    }

    // Runs an X tool on this display; its standard output, trimmed.
    QString tool(const QString &program, const QStringList &arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(program, arguments);
        if (!process.waitForFinished(30000))
            return QStringLiteral("timeout");
        return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    }

    // The mapped windows with this exact title.
    [[nodiscard]] QStringList visibleWindows(const QString &title) const
    {
        return tool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                               QStringLiteral("--name"), QLatin1Char('^') + title + QLatin1Char('$')})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The window the window manager calls active.
    [[nodiscard]] QString activeWindow() const
    {
        return tool(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")});
    }

    // "Normal" or "Iconic": the state the window manager gave the window.
    [[nodiscard]] QString windowState(const QString &window) const
    {
        const QString state =
            tool(QStringLiteral("xprop"), {QStringLiteral("-id"), window, QStringLiteral("WM_STATE")});
        const qsizetype at = state.indexOf(QLatin1String("window state: "));
        return at < 0 ? QString() : state.mid(at + 14).section(QLatin1Char('\n'), 0, 0).trimmed();
    }

private:
    // Openbox announces itself before it takes windows: one mapped in the
    // moment after is never managed and stays unmapped. Probe windows are
    // shown until one gets a state from it; then it takes every window.
    bool managesWindows()
    {
        for (int attempt = 0; attempt < 15; ++attempt) {
            if (probeIsManaged())
                return true;
        }
        return false;
    }

    bool probeIsManaged()
    {
        QProcess probe;
        probe.setProcessEnvironment(environment());
        probe.start(QStringLiteral("xmessage"), {QStringLiteral("-name"), QStringLiteral("xsession-probe"),
                                                 QStringLiteral("Is the window manager ready?")});
        bool managed = false;
        for (int waited = 0; !managed && waited < 2000 && probe.state() != QProcess::NotRunning; waited += 50) {
            QTest::qWait(50);
            const QStringList windows =
                tool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--classname"),
                                                 QStringLiteral("^xsession-probe$")})
                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            for (const QString &window : windows)
                managed = managed || windowState(window) == QLatin1String("Normal");
        }
        probe.kill();
        probe.waitForFinished();
        return managed;
    }

    QProcess server;
    QProcess windowManager;
    QString m_display;
};

} // namespace xsession

#endif // PAYVANE_TESTS_XSESSION_H
