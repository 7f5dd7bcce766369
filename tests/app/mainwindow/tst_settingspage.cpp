// The main window's settings page: it shows what is stored each time it is
// entered, OK stores the notification flags in "settings.ini" and the
// updater's switch, Cancel stores nothing, and "Check for updates" asks the
// (local) server while the page stays. Files live in a home folder of the
// test's own (see testsandbox.h).
#include "mainwindow.h"

#include "calendarexport.h"
#include "eventstore.h"
#include "notificationsettings.h"

#include <fakewebserver.h>
#include <testsandbox.h>
#include <update.h>

#include <QCheckBox>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include <memory>

namespace {

enum Page { ListPage = 0, SettingsTab = 3 };

struct Choices
{
    bool popup = false;
    bool separate = false;
    bool autoRun = true;
    bool sumUp = true;
};

// "settings.ini" holds the two flags as stream booleans, separate first;
// reminders not summed up add a third (desktop notifications, off) and a
// fourth byte.
QByteArray settingsBytes(bool separate, bool popup, bool sumUp = true)
{
    QByteArray bytes;
    bytes.append(char(separate)).append(char(popup));
    if (!sumUp)
        bytes.append(2, '\0');
    return bytes;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_SettingsPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void entering_data();
    void entering();
    void cancelStoresNothing_data();
    void cancelStoresNothing();
    void okStores_data();
    void okStores();
    void okWhenSettingsCannotBeWritten();
    void checkForUpdatesKeepsThePage();

private:
    void openWindow();
    template<typename T>
    T *child(const char *name) const
    {
        T *widget = window->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no child %s", name);
        return widget;
    }
    void click(const char *name) { child<QAbstractButton>(name)->click(); }
    [[nodiscard]] int page() const { return child<QTabWidget>("tabWidget")->currentIndex(); }
    [[nodiscard]] Choices shown() const;
    void choose(const Choices &choices);
    // Answers the next modal message box with OK and keeps its text.
    std::shared_ptr<QString> answerBox();

    std::unique_ptr<MainWindow> window;
    std::unique_ptr<QObject> answerers;
};

void tst_SettingsPage::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1.2"));
    QVERIFY(settingsFilePath().startsWith(QDir::homePath()));
    QVERIFY(QSettings(QStringLiteral("Tervona"), QStringLiteral("Payvane")).fileName().startsWith(QDir::homePath()));
}

void tst_SettingsPage::init()
{
    QDir(QFileInfo(settingsFilePath()).absolutePath()).removeRecursively();
    QSettings(QStringLiteral("Tervona"), QStringLiteral("Payvane")).clear();
    answerers = std::make_unique<QObject>();
}

void tst_SettingsPage::cleanup()
{
    answerers.reset();
    window.reset();
    QDir(QFileInfo(settingsFilePath()).absolutePath()).removeRecursively();
    QFile::remove(QFileInfo(settingsFilePath()).absolutePath());
}

void tst_SettingsPage::openWindow()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

Choices tst_SettingsPage::shown() const
{
    Choices choices;
    choices.popup = child<QRadioButton>("popupRadioButton")->isChecked();
    choices.separate = child<QCheckBox>("seperateCheckBox")->isChecked();
    choices.autoRun = child<QCheckBox>("updateCheckBox")->isChecked();
    choices.sumUp = child<QCheckBox>("sumUpCheckBox")->isChecked();
    // The two methods exclude each other.
    if (child<QRadioButton>("trayRadioButton")->isChecked() == choices.popup)
        qFatal("both or neither notification method chosen");
    return choices;
}

void tst_SettingsPage::choose(const Choices &choices)
{
    child<QRadioButton>(choices.popup ? "popupRadioButton" : "trayRadioButton")->setChecked(true);
    child<QCheckBox>("seperateCheckBox")->setChecked(choices.separate);
    child<QCheckBox>("updateCheckBox")->setChecked(choices.autoRun);
    child<QCheckBox>("sumUpCheckBox")->setChecked(choices.sumUp);
    child<QTimeEdit>("calendarAlarmTimeEdit")->setTime(QTime(7, 45));
}

std::shared_ptr<QString> tst_SettingsPage::answerBox()
{
    auto text = std::make_shared<QString>();
    auto *timer = new QTimer(answerers.get());
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, timer, [timer, text] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        timer->stop();
        *text = box->text();
        if (!box->informativeText().isEmpty())
            *text += QLatin1Char('/') + box->informativeText();
        box->button(QMessageBox::Ok)->click();
    });
    timer->start();
    return text;
}

void tst_SettingsPage::entering_data()
{
    QTest::addColumn<bool>("stored"); // else no settings.ini, automatic checks as the build sets them
    QTest::addColumn<bool>("popup");
    QTest::addColumn<bool>("separate");
    QTest::addColumn<bool>("autoRun");

    QTest::newRow("first start") << false << false << false << false;
    QTest::newRow("popup, separate, automatic off") << true << true << true << false;
    QTest::newRow("corner window, separate, automatic on") << true << false << true << true;
    QTest::newRow("popup, together, automatic on") << true << true << false << true;
}

void tst_SettingsPage::entering()
{
    QFETCH(bool, stored);
    QFETCH(bool, popup);
    QFETCH(bool, separate);
    QFETCH(bool, autoRun);

    if (stored) {
        NotificationSettings settings;
        settings.popupDialog = popup;
        settings.separateNotifications = separate;
        QVERIFY(settings.save(settingsFilePath()));
        Update::getUpdater()->setAutoRun(autoRun);
    } else {
        autoRun = Update::getUpdater()->autoRun();
    }
    openWindow();
    // Other choices on the page, as if left there before.
    choose({!popup, !separate, !autoRun});

    click("settingsButton");
    QCOMPARE(page(), int(SettingsTab));
    const Choices choices = shown();
    QCOMPARE(choices.popup, popup);
    QCOMPARE(choices.separate, separate);
    QCOMPARE(choices.autoRun, autoRun);
}

void tst_SettingsPage::cancelStoresNothing_data()
{
    QTest::addColumn<bool>("stored");
    QTest::newRow("no settings.ini") << false;
    QTest::newRow("settings.ini") << true;
}

void tst_SettingsPage::cancelStoresNothing()
{
    QFETCH(bool, stored);

    if (stored)
        QVERIFY(NotificationSettings().save(settingsFilePath()));
    Update::getUpdater()->setAutoRun(true);
    openWindow();

    click("settingsButton");
    choose({true, true, false, false});
    click("settingsCancelButton");

    QCOMPARE(page(), int(ListPage));
    QCOMPARE(QFile::exists(settingsFilePath()), stored);
    if (stored)
        QCOMPARE(fileBytes(settingsFilePath()), settingsBytes(false, false));
    QCOMPARE(Update::getUpdater()->autoRun(), true);
    QCOMPARE(CalendarExport::savedAlarmTime(), QTime(9, 0));
    // The discarded choices are not seen again.
    click("settingsButton");
    const Choices choices = shown();
    QCOMPARE(choices.popup, false);
    QCOMPARE(choices.separate, false);
    QCOMPARE(choices.autoRun, true);
    QCOMPARE(choices.sumUp, true);
}

void tst_SettingsPage::okStores_data()
{
    QTest::addColumn<bool>("popup");
    QTest::addColumn<bool>("separate");
    QTest::addColumn<bool>("autoRun");
    QTest::addColumn<bool>("sumUp");

    QTest::newRow("popup, separate, automatic off") << true << true << false << true;
    QTest::newRow("popup, together, automatic on") << true << false << true << true;
    QTest::newRow("corner window, separate, automatic on") << false << true << true << true;
    QTest::newRow("corner window, together, automatic off") << false << false << false << true;
    QTest::newRow("popup, not summed up") << true << false << true << false;
}

void tst_SettingsPage::okStores()
{
    QFETCH(bool, popup);
    QFETCH(bool, separate);
    QFETCH(bool, autoRun);
    QFETCH(bool, sumUp);

    Update::getUpdater()->setAutoRun(!autoRun);
    // A first run: the data folder does not exist yet.
    QVERIFY(!QDir(QFileInfo(settingsFilePath()).absolutePath()).exists());
    openWindow();

    click("settingsButton");
    choose({popup, separate, autoRun, sumUp});
    click("settingOKButton");

    QCOMPARE(page(), int(ListPage));
    QCOMPARE(fileBytes(settingsFilePath()), settingsBytes(separate, popup, sumUp));
    QCOMPARE(Update::getUpdater()->autoRun(), autoRun);
    QCOMPARE(QSettings(QStringLiteral("Tervona"), QStringLiteral("Payvane")).value("UpdateAutoRun").toBool(), autoRun);
    // Kept beside them, never in settings.ini (compared above).
    QCOMPARE(CalendarExport::savedAlarmTime(), QTime(7, 45));
    // A window built later reads them back.
    window.reset();
    openWindow();
    click("settingsButton");
    const Choices choices = shown();
    QCOMPARE(choices.popup, popup);
    QCOMPARE(choices.separate, separate);
    QCOMPARE(choices.autoRun, autoRun);
    QCOMPARE(choices.sumUp, sumUp);
}

void tst_SettingsPage::okWhenSettingsCannotBeWritten()
{
    // A file where the data folder should be.
    const QString folder = QFileInfo(settingsFilePath()).absolutePath();
    QVERIFY(QDir().mkpath(QFileInfo(folder).absolutePath()));
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Update::getUpdater()->setAutoRun(true);
    openWindow();

    click("settingsButton");
    choose({true, true, false});
    const auto told = answerBox();
    click("settingOKButton");

    QCOMPARE(*told, QStringLiteral("Your settings could not be saved to %1 (Cannot create the folder %2.).")
                        .arg(QDir::toNativeSeparators(settingsFilePath()), QDir::toNativeSeparators(folder)));
    QCOMPARE(page(), int(ListPage));
    // The updater's switch is its own and was stored.
    QCOMPARE(Update::getUpdater()->autoRun(), false);
    // The choices hold for this run.
    click("settingsButton");
    const Choices choices = shown();
    QCOMPARE(choices.popup, true);
    QCOMPARE(choices.separate, true);
}

void tst_SettingsPage::checkForUpdatesKeepsThePage()
{
    FakeWebServer server;
    server.setAnswer(QByteArray("HTTP/1.1 204 No Content\r\n\r\n"));
    Update::getUpdater()->setServer(QStringLiteral("127.0.0.1"), server.port());
    Update::getUpdater()->setAutoRun(true);
    openWindow();

    click("settingsButton");
    choose({true, true, false});
    const auto told = answerBox();
    click("updatePushButton");

    QTRY_COMPARE(*told, QStringLiteral("No Updates/You have the most recent version of Payvane"));
    QCOMPARE(server.requests.size(), 1);
    QVERIFY(server.requests.first().endsWith("product=Payvane&version=1.0.1.2&os=Other&arch=Unknown&system=Unknown"));
    // The page and its unconfirmed choices stay; nothing was stored.
    QCOMPARE(page(), int(SettingsTab));
    const Choices choices = shown();
    QCOMPARE(choices.popup, true);
    QCOMPARE(choices.separate, true);
    QCOMPARE(choices.autoRun, false);
    QVERIFY(!QFile::exists(settingsFilePath()));
    QCOMPARE(Update::getUpdater()->autoRun(), true);
}

PAYVANE_SANDBOXED_TEST_MAIN(tst_SettingsPage)
#include "tst_settingspage.moc"
