// The main window's settings page: it shows what is stored each time it is
// entered, OK stores the notification flags in "settings.ini" and the
// updater's switch, Cancel stores nothing, and "Check for updates" asks the
// (local) server while the page stays; the CalDAV account goes to the
// native settings and its password, with no secret store running here, to
// memory only. Files live in a home folder of the test's own (see
// testsandbox.h).
#include "mainwindow.h"

#include "caldavpassword.h"
#include "caldavpasswordprompt.h"
#include "caldavsection.h"
#include "calendarexport.h"
#include "eventstore.h"
#include "notificationsettings.h"

#include <fakewebserver.h>
#include <testsandbox.h>
#include <update.h>

#include <QCheckBox>
#include <QDirIterator>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
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

// The files under the home folder whose bytes hold `text`.
QStringList filesHolding(const QString &text)
{
    QStringList found;
    QDirIterator files(QDir::homePath(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        if (fileBytes(files.next()).contains(text.toUtf8()))
            found << files.filePath();
    }
    return found;
}

const QString NoStore = QStringLiteral("No secret store runs on this desktop, so Payvane will ask for the calendar's "
                                       "password each time.");

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
    void calDavStored_data();
    void calDavStored();
    void calDavPasswordFollowsTheAccount();
    void calDavLastResultAsPlainText();
    void calDavPasswordAsked();

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
    // Answers each password question with `answer` (cancels it when empty)
    // and keeps the labels it showed.
    std::shared_ptr<QStringList> answerPassword(const QString &answer);

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
    // No secret store: the session bus leads nowhere.
    qputenv("DBUS_SESSION_BUS_ADDRESS", QFile::encodeName(QStringLiteral("unix:path=") + QDir::homePath() + "/no-bus"));
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

std::shared_ptr<QStringList> tst_SettingsPage::answerPassword(const QString &answer)
{
    auto labels = std::make_shared<QStringList>();
    auto *timer = new QTimer(answerers.get());
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, timer, [labels, answer] {
        auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        const auto *label = dialog->findChild<QLabel *>();
        *labels << (label->textFormat() == Qt::PlainText ? label->text() : QStringLiteral("(not plain text)"));
        if (answer.isEmpty()) {
            dialog->reject();
        } else {
            dialog->setTextValue(answer);
            dialog->accept();
        }
    });
    timer->start();
    return labels;
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

void tst_SettingsPage::calDavStored_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("storedEnabled");
    QTest::addColumn<bool>("noted"); // a sentence under the URL
    QTest::addColumn<QString>("told");

    QTest::newRow("https, on") << true << "https://dav.example.org/cal/" << "pw-https-7c1e" << true << false
                               << QString();
    QTest::newRow("plain http elsewhere, on, warned")
        << true << "http://dav.example.org/cal/" << "pw-http-52ab" << true << true << QString();
    QTest::newRow("off, URL kept") << false << "https://dav.example.org/cal/" << "pw-off-0d93" << false << false
                                   << QString();
    QTest::newRow("off, nothing") << false << "" << "" << false << false << QString();
    QTest::newRow("ftp stays off")
        << true << "ftp://dav.example.org/cal/" << "pw-ftp-e4f0" << false << true
        << "Publishing to the CalDAV calendar stays off. The calendar's URL must begin with https:// or http://.";
}

void tst_SettingsPage::calDavStored()
{
    QFETCH(bool, enabled);
    QFETCH(QString, url);
    QFETCH(QString, password);
    QFETCH(bool, storedEnabled);
    QFETCH(bool, noted);
    QFETCH(QString, told);

    openWindow();
    click("settingsButton");
    child<QCheckBox>("caldavCheckBox")->setChecked(enabled);
    child<QLineEdit>("caldavUrlEdit")->setText(url);
    child<QLineEdit>("caldavUserEdit")->setText(QStringLiteral(" anna "));
    child<QLineEdit>("caldavPasswordEdit")->setText(password);
    QCOMPARE(child<QLabel>("caldavUrlNoteLabel")->isVisibleTo(window.get()), noted);
    const auto shownBox = answerBox();
    click("settingOKButton");
    QCOMPARE(*shownBox, told);

    const QSettings settings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
    QCOMPARE(settings.value("CalDav/Enabled").toBool(), storedEnabled);
    QCOMPARE(settings.value("CalDav/Url").toString(), url);
    QCOMPARE(settings.value("CalDav/User").toString(), QStringLiteral("anna"));
    // settings.ini holds the notification flags alone.
    QCOMPARE(fileBytes(settingsFilePath()), settingsBytes(false, false));
    const QString key = QStringLiteral("anna@") + url;
    if (!password.isEmpty()) {
        QTRY_COMPARE(CalDavPassword::remembered(key), password);
        QCOMPARE(child<QLabel>("caldavStoreLabel")->text(), NoStore);
    }
    // The password field never shows it again.
    click("settingsButton");
    QCOMPARE(child<QLineEdit>("caldavPasswordEdit")->text(), QString());
    QCOMPARE(child<QLineEdit>("caldavUrlEdit")->text(), url);
    QCOMPARE(child<QCheckBox>("caldavCheckBox")->isChecked(), storedEnabled);
    window.reset();
    if (!password.isEmpty())
        QCOMPARE(filesHolding(password), QStringList());
}

void tst_SettingsPage::calDavPasswordFollowsTheAccount()
{
    openWindow();
    click("settingsButton");
    child<QCheckBox>("caldavCheckBox")->setChecked(true);
    child<QLineEdit>("caldavUrlEdit")->setText(QStringLiteral("https://dav.example.org/cla/"));
    child<QLineEdit>("caldavUserEdit")->setText(QStringLiteral("carl"));
    child<QLineEdit>("caldavPasswordEdit")->setText(QStringLiteral("pw-moved-61d2"));
    click("settingOKButton");
    QTRY_COMPARE(CalDavPassword::remembered(QStringLiteral("carl@https://dav.example.org/cla/")),
                 QStringLiteral("pw-moved-61d2"));

    // A corrected URL keeps the password; a new user name with a new password
    // replaces it.
    click("settingsButton");
    child<QLineEdit>("caldavUrlEdit")->setText(QStringLiteral("https://dav.example.org/cal/"));
    click("settingOKButton");
    QTRY_COMPARE(CalDavPassword::remembered(QStringLiteral("carl@https://dav.example.org/cal/")),
                 QStringLiteral("pw-moved-61d2"));
    QTRY_COMPARE(CalDavPassword::remembered(QStringLiteral("carl@https://dav.example.org/cla/")), QString());
    click("settingsButton");
    child<QLineEdit>("caldavUserEdit")->setText(QStringLiteral("carla"));
    child<QLineEdit>("caldavPasswordEdit")->setText(QStringLiteral("pw-new-0c44"));
    click("settingOKButton");
    QTRY_COMPARE(CalDavPassword::remembered(QStringLiteral("carla@https://dav.example.org/cal/")),
                 QStringLiteral("pw-new-0c44"));
    QTRY_COMPARE(CalDavPassword::remembered(QStringLiteral("carl@https://dav.example.org/cal/")), QString());
}

void tst_SettingsPage::calDavLastResultAsPlainText()
{
    QSettings settings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
    settings.setValue("CalDav/LastResult", QStringLiteral("The server refused <b>Rent</b> &amp; 2 other bills."));
    settings.sync();
    openWindow();
    click("settingsButton");
    const auto *result = child<QLabel>("caldavResultLabel");
    QCOMPARE(result->textFormat(), Qt::PlainText);
    QCOMPARE(result->text(), QStringLiteral("The server refused <b>Rent</b> &amp; 2 other bills."));

    // A publish ends while the page shows.
    settings.setValue("CalDav/LastResult", QStringLiteral("Published 12 bills to dav.example.org at 09:14."));
    settings.sync();
    child<CalDavSection>("caldavGroupBox")->showLastResult();
    QCOMPARE(result->text(), QStringLiteral("Published 12 bills to dav.example.org at 09:14."));
}

void tst_SettingsPage::calDavPasswordAsked()
{
    openWindow();
    CalDavAccount account;
    account.enabled = true;
    account.url = QStringLiteral("https://dav.example.org/cal/");
    account.user = QStringLiteral("<b>bea</b>");
    // Asks until given, then holds the answer for the run.
    for (const QString &answer : {QString(), QStringLiteral("pw-asked-9b27"), QStringLiteral("never asked")}) {
        answerers = std::make_unique<QObject>();
        const auto labels = answerPassword(answer);
        CalDavPasswordPrompt prompt(account, window.get());
        QSignalSpy obtained(&prompt, &CalDavPasswordPrompt::obtained);
        QSignalSpy declined(&prompt, &CalDavPasswordPrompt::declined);
        prompt.obtain();
        QTRY_COMPARE(obtained.size() + declined.size(), 1);
        QCOMPARE(declined.size(), answer.isEmpty() ? 1 : 0);
        if (!answer.isEmpty())
            QCOMPARE(obtained.first().first().toString(), QStringLiteral("pw-asked-9b27"));
        const QStringList asked{QStringLiteral("The password of <b>bea</b> for the calendar on dav.example.org:")};
        QCOMPARE(*labels, answer == QLatin1String("never asked") ? QStringList() : asked);
    }
    window.reset();
    QCOMPARE(filesHolding(QStringLiteral("pw-asked-9b27")), QStringList());
}

PAYVANE_SANDBOXED_TEST_MAIN(tst_SettingsPage)
#include "tst_settingspage.moc"
