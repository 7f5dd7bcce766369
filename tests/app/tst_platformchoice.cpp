// The platform of the automatic start: XWayland where a Wayland session
// offers it, so the tray window can slide into the corner; otherwise Qt's
// own choice, and the centred placement where windows cannot place themselves.

#include <platformchoice.h>

#include <QTest>

class PlatformChoiceTest : public QObject
{
    Q_OBJECT

private slots:
    void automaticStartPlatform_data();
    void automaticStartPlatform();
    void windowsPlaceThemselves_data();
    void windowsPlaceThemselves();
    void onlyTheAutomaticStartChanges_data();
    void onlyTheAutomaticStartChanges();
};

void PlatformChoiceTest::automaticStartPlatform_data()
{
    QTest::addColumn<QByteArray>("waylandDisplay");
    QTest::addColumn<QByteArray>("sessionType");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("qpaPlatform");
    QTest::addColumn<QByteArray>("expected");

    // Wayland sessions, told by either variable.
    QTest::newRow("wayland with xwayland") << QByteArray("wayland-0") << QByteArray("wayland")
                                           << QByteArray(":0") << QByteArray() << QByteArray("xcb");
    QTest::newRow("wayland without xwayland") << QByteArray("wayland-0") << QByteArray("wayland")
                                              << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("only the socket tells wayland")
        << QByteArray("wayland-1") << QByteArray() << QByteArray(":1") << QByteArray()
        << QByteArray("xcb");
    QTest::newRow("only the session type tells wayland")
        << QByteArray() << QByteArray("wayland") << QByteArray(":0") << QByteArray()
        << QByteArray("xcb");
    QTest::newRow("session type alone, no x server")
        << QByteArray() << QByteArray("wayland") << QByteArray() << QByteArray() << QByteArray();

    // The user's own choice stands.
    QTest::newRow("user chose wayland") << QByteArray("wayland-0") << QByteArray("wayland")
                                        << QByteArray(":0") << QByteArray("wayland")
                                        << QByteArray();
    QTest::newRow("user chose offscreen") << QByteArray("wayland-0") << QByteArray("wayland")
                                          << QByteArray(":0") << QByteArray("offscreen")
                                          << QByteArray();

    // Not Wayland: nothing to change.
    QTest::newRow("x11 session") << QByteArray() << QByteArray("x11") << QByteArray(":0")
                                 << QByteArray() << QByteArray();
    QTest::newRow("no session at all") << QByteArray() << QByteArray("tty") << QByteArray()
                                       << QByteArray() << QByteArray();
}

void PlatformChoiceTest::automaticStartPlatform()
{
    QFETCH(QByteArray, waylandDisplay);
    QFETCH(QByteArray, sessionType);
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, qpaPlatform);
    QFETCH(QByteArray, expected);

    const SessionEnvironment session{waylandDisplay, sessionType, display, qpaPlatform};
    QCOMPARE(::automaticStartPlatform(session), expected);
}

void PlatformChoiceTest::windowsPlaceThemselves_data()
{
    QTest::addColumn<QString>("platformName");
    QTest::addColumn<bool>("expected");

    QTest::newRow("x11") << QStringLiteral("xcb") << true;
    QTest::newRow("offscreen") << QStringLiteral("offscreen") << true;
    QTest::newRow("windows") << QStringLiteral("windows") << true;
    QTest::newRow("wayland") << QStringLiteral("wayland") << false;
    QTest::newRow("wayland through egl") << QStringLiteral("wayland-egl") << false;
}

void PlatformChoiceTest::windowsPlaceThemselves()
{
    QFETCH(QString, platformName);
    QFETCH(bool, expected);
    QCOMPARE(::windowsPlaceThemselves(platformName), expected);
}

void PlatformChoiceTest::onlyTheAutomaticStartChanges_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("auto") << QStringList{"Payvane", "auto"} << QByteArray("xcb");
    QTest::newRow("auto with interval") << QStringList{"Payvane", "auto", "3600"}
                                        << QByteArray("xcb");
    QTest::newRow("interactive") << QStringList{"Payvane"} << QByteArray();
    QTest::newRow("other case is interactive") << QStringList{"Payvane", "Auto"} << QByteArray();
    QTest::newRow("auto not first") << QStringList{"Payvane", "x", "auto"} << QByteArray();
}

// The whole step main() takes, on this process's environment: a Wayland
// session with XWayland.
void PlatformChoiceTest::onlyTheAutomaticStartChanges()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, expected);

    qputenv("WAYLAND_DISPLAY", "wayland-0");
    qputenv("XDG_SESSION_TYPE", "wayland");
    qputenv("DISPLAY", ":0");
    qunsetenv("QT_QPA_PLATFORM");

    QList<QByteArray> storage;
    QList<const char *> argv;
    for (const QString &argument : arguments)
        storage.append(argument.toLocal8Bit());
    for (const QByteArray &argument : storage)
        argv.append(argument.constData());
    chooseAutomaticStartPlatform(int(argv.size()), argv.constData());
    QCOMPARE(qgetenv("QT_QPA_PLATFORM"), expected);
}

QTEST_GUILESS_MAIN(PlatformChoiceTest)
#include "tst_platformchoice.moc"
