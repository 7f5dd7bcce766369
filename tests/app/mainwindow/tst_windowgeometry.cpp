// Stored window geometry is checked before it is used: whatever the settings
// store holds, the main window fits the screen and closes normally.
#include "mainwindow.h"
#include "windowgeometry.h"

#include <QDataStream>
#include <QFile>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

namespace {

// The layout QWidget::saveGeometry() writes (format 3).
QByteArray savedGeometry(const QRect &frame, const QRect &normal, bool maximized = false,
                         bool fullScreen = false)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << quint32(0x1D9D0CB) << quint16(3) << quint16(0) << frame << normal << qint32(0)
           << quint8(maximized) << quint8(fullScreen) << qint32(800) << normal;
    return bytes;
}

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace

class tst_WindowGeometry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void geometryWithin_data();
    void geometryWithin();
    void storedGeometryNeverExceedsScreen_data();
    void storedGeometryNeverExceedsScreen();
};

void tst_WindowGeometry::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane-tst_windowgeometry"));
    QVERIFY(QSettings(QStringLiteral("Tervona"), QStringLiteral("Payvane")).fileName().contains(QLatin1String(".qttest")));
}

void tst_WindowGeometry::geometryWithin_data()
{
    QTest::addColumn<QRect>("wanted");
    QTest::addColumn<QRect>("expected");
    // The available area is 0,0 800x600 in every row.
    QTest::newRow("fits: unchanged") << QRect(100, 50, 639, 500) << QRect(100, 50, 639, 500);
    QTest::newRow("fits exactly") << QRect(0, 0, 800, 600) << QRect(0, 0, 800, 600);
    QTest::newRow("huge: shrunk, stays at its corner") << QRect(0, 0, 2000000, 2000000) << QRect(0, 0, 800, 600);
    QTest::newRow("too wide, still partly visible") << QRect(700, 10, 5000, 100) << QRect(700, 10, 800, 100);
    QTest::newRow("mostly off the right edge: moved in") << QRect(790, 10, 300, 200) << QRect(500, 10, 300, 200);
    QTest::newRow("partly off the left edge: kept") << QRect(-200, 10, 300, 200) << QRect(-200, 10, 300, 200);
    QTest::newRow("far off screen") << QRect(-1000000, -1000000, 300, 200) << QRect(0, 0, 300, 200);
    QTest::newRow("title bar above the top") << QRect(10, -50, 300, 200) << QRect(10, 0, 300, 200);
    QTest::newRow("below the bottom") << QRect(10, 590, 300, 200) << QRect(10, 400, 300, 200);
    QTest::newRow("zero size") << QRect(10, 10, 0, 0) << QRect();
    QTest::newRow("inverted") << QRect(QPoint(500, 500), QPoint(100, 100)) << QRect();
}

void tst_WindowGeometry::geometryWithin()
{
    QFETCH(QRect, wanted);
    QFETCH(QRect, expected);
    QCOMPARE(::geometryWithin(wanted, QRect(0, 0, 800, 600)), expected);
}

void tst_WindowGeometry::storedGeometryNeverExceedsScreen_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("firstStartSize");

    const QRect huge(0, 0, 2000000, 2000000);
    QTest::newRow("huge") << savedGeometry(huge, huge) << false;
    QTest::newRow("huge, maximized") << savedGeometry(huge, huge, true) << false;
    QTest::newRow("huge, full screen") << savedGeometry(huge, huge, false, true) << false;
    const QRect negative(-2000000, -2000000, 639, 654);
    QTest::newRow("negative position") << savedGeometry(negative, negative) << false;
    const QRect inverted(QPoint(600, 600), QPoint(10, 10));
    QTest::newRow("inverted") << savedGeometry(inverted, inverted) << true;
    const QRect empty(100, 100, 0, 0);
    QTest::newRow("zero size") << savedGeometry(empty, empty) << true;
    QTest::newRow("truncated") << savedGeometry(huge, huge).left(20) << true;
    QRandomGenerator random(20261207);
    for (int i = 0; i < 4; ++i) {
        QByteArray bytes(int(random.bounded(1, 80)), Qt::Uninitialized);
        for (char &byte : bytes)
            byte = char(random.bounded(256));
        QTest::addRow("random bytes %d", i) << bytes << true;
    }
    QByteArray magicThenRandom = savedGeometry(huge, huge).left(8);
    for (int i = 0; i < 60; ++i)
        magicThenRandom.append(char(random.bounded(256)));
    QTest::newRow("header, then random bytes") << magicThenRandom << false;
}

void tst_WindowGeometry::storedGeometryNeverExceedsScreen()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, firstStartSize);
    {
        QSettings settings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
        settings.setValue(QStringLiteral("geometryMainWindow"), stored);
    }
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const qint64 residentBefore = residentKiB();

    auto window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QTest::qWait(20);

    QVERIFY2(window->width() <= available.width() && window->height() <= available.height(),
             qPrintable(QStringLiteral("%1x%2").arg(window->width()).arg(window->height())));
    QVERIFY(window->geometry().intersects(available));
    if (firstStartSize)
        QCOMPARE(window->size(), QSize(639, 654));
    // A window the size of the stored value would need gigabytes; the
    // sanitizer keeps freed memory for a while, which stays far below that.
    QVERIFY2(residentKiB() - residentBefore < 1024 * 1024, qPrintable(QString::number(residentKiB())));

    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
}

QTEST_MAIN(tst_WindowGeometry)
#include "tst_windowgeometry.moc"
