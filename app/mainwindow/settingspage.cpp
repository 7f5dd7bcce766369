#include "settingspage.h"
#include "ui_mainwindow.h"

#include "caldavsection.h"
#include "calendarexport.h"
#include "datafoldersection.h"
#include "eventstore.h"
#include "holidayssection.h"
#include "plainmessage.h"

#include <update.h>

SettingsPage::SettingsPage(Ui::MainWindow *form)
    : ui(form)
{
    // The holidays take effect at once, so they stand apart from the
    // choices OK stores: after them, before the space above the buttons.
    auto *holidays = new HolidaysSection(ui->settingsTab);
    ui->verticalLayout_15->insertWidget(ui->verticalLayout_15->indexOf(ui->verticalSpacer_2), holidays);
    // The calendar publishing's choices are stored with the page's, on OK.
    calDav = new CalDavSection(ui->settingsTab);
    ui->verticalLayout_15->insertWidget(ui->verticalLayout_15->indexOf(holidays) + 1, calDav);
    // So does moving the data folder, after the calendar publishing.
    dataFolder = new DataFolderSection(ui->settingsTab);
    ui->verticalLayout_15->insertWidget(ui->verticalLayout_15->indexOf(calDav) + 1, dataFolder);
    QWidget *before = ui->updateCheckBox;
    const QList<QWidget *> chain = holidays->tabChain() + calDav->tabChain() + dataFolder->tabChain()
        << ui->settingOKButton;
    for (QWidget *next : chain) {
        QWidget::setTabOrder(before, next);
        before = next;
    }
}

void SettingsPage::load()
{
    notificationSettings.load(settingsFilePath());
}

void SettingsPage::showStored()
{
    const bool desktop = notificationSettings.desktopNotifications;
    ui->trayRadioButton->setChecked(!notificationSettings.popupDialog && !desktop);
    ui->popupRadioButton->setChecked(notificationSettings.popupDialog && !desktop);
    ui->desktopRadioButton->setChecked(desktop);
    ui->seperateCheckBox->setChecked(notificationSettings.separateNotifications);
    ui->sumUpCheckBox->setChecked(notificationSettings.sumUpReminders);
    ui->updateCheckBox->setChecked(Update::getUpdater()->autoRun());
    ui->calendarAlarmTimeEdit->setTime(CalendarExport::savedAlarmTime());
    calDav->showStored();
}

void SettingsPage::focusChosenMethod()
{
    // The first choice, the one that is made.
    for (QRadioButton *method : {ui->trayRadioButton, ui->popupRadioButton, ui->desktopRadioButton}) {
        if (method->isChecked())
            method->setFocus(Qt::OtherFocusReason);
    }
}

void SettingsPage::storeChoices()
{
    // The desktop's notifications fall back to the popup dialog where no
    // notification service answers, and a reader of the two written flags
    // sees the popup dialog.
    notificationSettings.desktopNotifications = ui->desktopRadioButton->isChecked();
    notificationSettings.popupDialog = ui->popupRadioButton->isChecked() || ui->desktopRadioButton->isChecked();
    notificationSettings.separateNotifications = ui->seperateCheckBox->isChecked();
    notificationSettings.sumUpReminders = ui->sumUpCheckBox->isChecked();
    // The choices hold in memory either way; the user learns that they will
    // not outlast this run.
    QString reason;
    if (!notificationSettings.save(settingsFilePath(), &reason)) {
        showPlainMessage(QMessageBox::Warning, QStringLiteral("Save Settings"),
                         QStringLiteral("Your settings could not be saved to %1 (%2).")
                             .arg(nativePath(settingsFilePath()), reason));
    }
    Update::getUpdater()->setAutoRun(ui->updateCheckBox->isChecked());
    CalendarExport::saveAlarmTime(ui->calendarAlarmTimeEdit->time());
    calDav->storeChoices();
}

// Everything the check shows is the updater's; the page stays as it is.
void SettingsPage::checkForUpdates()
{
    Update::getUpdater()->manualCheck();
}
