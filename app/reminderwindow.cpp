#include "reminderwindow.h"
#include "reminderitem.h"
#include "ui_reminderwindow.h"

#include <eventstore.h>
#include <glass.h>
#include <notificationsettings.h>
#include <reminderrules.h>

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

// The icons live in the shared resource bundle, which a static library
// must register itself.
static void initReminderResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

constexpr int slideIntervalMs = 5;
constexpr int cornerGap = 6; // pixels between the tray window and the screen's edges

// Only the available area's size counts: positions are taken from the
// screen's origin.
QSize availableSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().size() : QSize();
}

} // namespace

ReminderWindow::ReminderWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(nullptr)
{
    slideTimer = new QTimer;
    slideTimer->setInterval(slideIntervalMs);
    connect(slideTimer, &QTimer::timeout, this, &ReminderWindow::updateAnimation);

    notificationSettings = new NotificationSettings;
    notificationSettings->load(settingsFilePath());

    if (notificationSettings->popupDialog)
        setWindowFlags(Qt::Window | Qt::WindowTitleHint);
    else
        setWindowFlags(Qt::SubWindow | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);

    events = new QList<Event *>(billFile.load());
    nextIndex = 0;
}

void ReminderWindow::ensureForm()
{
    // Built with the first reminder, not at construction: the usual automatic
    // start finds nothing due and then never pays for widgets and fonts.
    if (ui)
        return;
    initReminderResources();
    ui = new Ui_ReminderWindow;
    // The central widget brings its look (and the opaque colour) itself.
    ui->setupUi(this);
}

void ReminderWindow::setVisible(bool visible)
{
    if (visible)
        ensureForm();
    QMainWindow::setVisible(visible);
}

ReminderWindow::~ReminderWindow()
{
    delete ui;
    delete notificationSettings;
    delete slideTimer;
    qDeleteAll(*events);
    delete events;
}

bool ReminderWindow::isDue(const Event &event, QDate today)
{
    return reminderKind(event, today) != ReminderKind::None;
}

bool ReminderWindow::addDueItems()
{
    if (ui)
        clearItems();
    if (nextIndex >= events->size())
        return false;

    const QDate today = QDate::currentDate();
    bool added = false;
    for (int i = nextIndex; i < events->size(); ++i) {
        Event *event = events->at(i);
        if (!isDue(*event, today))
            continue;
        // Moved on before the item is added: adding processes events, and a
        // nested "OK" must not find this bill again.
        nextIndex = i + 1;
        addItem(event);
        added = true;
        if (notificationSettings->separateNotifications)
            return true;
    }
    return added;
}

void ReminderWindow::clearItems()
{
    while (QLayoutItem *entry = ui->layout->takeAt(0)) {
        delete entry->widget();
        delete entry;
    }
}

void ReminderWindow::addItem(Event *event)
{
    ensureForm();
    auto *item = new ReminderItem(event);
    connect(item, qOverload<>(&ReminderItem::resized), this,
            qOverload<>(&ReminderWindow::on_itemResize));
    connect(item, qOverload<int>(&ReminderItem::resized), this,
            qOverload<int>(&ReminderWindow::on_itemResize));
    ui->layout->addWidget(item);
    on_itemResize();
}

void ReminderWindow::positionWindow()
{
    ensureForm();
    if (notificationSettings->popupDialog || centredPlacement)
        placeWindow();
    else
        startSlideIn();
}

void ReminderWindow::on_okButton_clicked()
{
    if (!notificationSettings->separateNotifications || !addDueItems())
        close();
}

void ReminderWindow::on_itemResize()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // A hidden window's layouts wait to be shown before they take in new
    // items; the size is needed now, for the placement before showing.
    fitItemSentences();
    updateGeometry();
    adjustSize();
    fitItemSentences();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!notificationSettings->popupDialog)
        placeWindow();
}

namespace {

// Runs every layout from the window down. A hidden widget takes a new size
// without the resize event that lays out what is inside it, so the widgets
// further down keep their old sizes until it is shown.
void layOutFromTop(QWidget *widget)
{
    if (QLayout *layout = widget->layout()) {
        layout->invalidate();
        layout->activate();
    }
    const QList<QWidget *> children = widget->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children)
        layOutFromTop(child);
}

} // namespace

void ReminderWindow::fitItemSentences()
{
    // Each item's sentence takes the height its lines need at the width it
    // is laid out with; a taller sentence can make the window wider no more,
    // so this settles in a round or two.
    const QList<ReminderItem *> items = findChildren<ReminderItem *>();
    for (int round = 0; round < 4; ++round) {
        layOutFromTop(this);
        bool changed = false;
        for (ReminderItem *item : items)
            changed = item->fitSentenceHeight() || changed;
        if (!changed)
            return;
    }
}

void ReminderWindow::on_itemResize(int change)
{
    QRect area = geometry();
    area.setTop(area.top() - change);
    area.setBottom(area.bottom() + change);
    setGeometry(area);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ReminderWindow::placeWindow()
{
    const QSize available = availableSize();
    const QRect frame = frameGeometry();
    if (notificationSettings->popupDialog || centredPlacement)
        move((available.width() - frame.width()) / 2, (available.height() - frame.height()) / 2);
    else
        move(available.width() - frame.width() - cornerGap,
             available.height() - frame.height() - cornerGap);
}

void ReminderWindow::startSlideIn()
{
    slideStep = 0;
    updateAnimation();
    slideTimer->start(slideIntervalMs);
}

void ReminderWindow::updateAnimation()
{
    // Rises a pixel a tick from below the available area's bottom edge until
    // it sits cornerGap pixels above it.
    const QSize available = availableSize();
    const QRect frame = frameGeometry();
    move(available.width() - frame.width() - cornerGap, available.height() - slideStep);
    if (frame.height() + cornerGap - 1 < slideStep)
        slideTimer->stop();
    ++slideStep;
}

void ReminderWindow::saveBills()
{
    // A bill file that was not read completely (when read, or as another
    // program left it since) is kept aside by the save; the user is told
    // where, once.
    const QString keptBefore = billFile.keptPath();
    QString reason;
    const bool saved = billFile.save(*events, &reason);
    if (billFile.keptPath() != keptBefore)
        showMessage(QMessageBox::Warning, QStringLiteral("Bill File"), billFile.notice());
    if (saved)
        return;
    showMessage(QMessageBox::Warning, QStringLiteral("Payvane"),
                QStringLiteral("Your bills could not be saved to %1: %2")
                    .arg(QDir::toNativeSeparators(billFile.path()), reason));
}

void ReminderWindow::showMessage(QMessageBox::Icon icon, const QString &title, const QString &text)
{
    // File names are shown as they are, never as markup.
    QMessageBox box(icon, title, text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void ReminderWindow::closeEvent(QCloseEvent *)
{
    saveBills();
    // The tray window is not an ordinary top-level window, so the event
    // loop is ended here; a popup window ends it as the last window closed.
    if (!notificationSettings->popupDialog)
        QCoreApplication::exit(0);
}

void ReminderWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (ui && event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
