#include "reminderwindow.h"
#include "commandlinkiconstyle.h"
#include "reminderitem.h"
#include "ui_reminderwindow.h"

#include <eventstore.h>
#include <glass.h>
#include <notificationsettings.h>
#include <reminderdigest.h>
#include <reminderrules.h>

#include <QCloseEvent>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>

#include <optional>

// The icons live in the shared resource bundle, which a static library
// must register itself.
static void initReminderResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

constexpr int slideIntervalMs = 5;
constexpr int cornerGap = 6; // pixels between the tray window and the screen's edges
constexpr int textPixelSize = 12; // the text of the whole window

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
    // Marks left in the future by a clock that ran ahead count from today,
    // and are written back so at once: the usual start shows nothing and
    // saves nothing, and "once a day" would otherwise hold the bill back
    // every day anew. A file to be kept aside waits for the save that says so.
    if (settleFutureReminderMarks(*events, QDate::currentDate()) && !billFile.needsKeeping())
        static_cast<void>(billFile.save(*events));
}

void ReminderWindow::ensureForm()
{
    // Built with the first reminder, not at construction: the usual automatic
    // start finds nothing due and then never pays for widgets and fonts.
    if (ui)
        return;
    initReminderResources();
    // Before the first item: each item's two command links would otherwise
    // look up the same arrow in the icon theme.
    CommandLinkIconStyle::installOnApplication();
    ui = new Ui_ReminderWindow;
    // The central widget brings its look (and the opaque colour) itself.
    ui->setupUi(this);
    // 12-pixel text everywhere, as a font that the children inherit rather
    // than a style-sheet rule for every widget: with a rule, each widget of
    // each item is matched and given its font when polished, which made up
    // a good part of a long list's cost. Pixel for pixel the same look.
    QFont twelvePixels = font();
    twelvePixels.setPixelSize(textPixelSize);
    setFont(twelvePixels);
    // The list scrolls over the central widget's own background (or glass).
    ui->scrollArea->viewport()->setAutoFillBackground(false);
    ui->scrollAreaWidgetContents->setAutoFillBackground(false);
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
    // The first search looks at every bill, for the digest, in the same walk
    // that picks the due ones.
    std::optional<ReminderDigest> digest;
    if (!wholeListLooked && notificationSettings->sumUpReminders)
        digest.emplace(today);
    wholeListLooked = true;
    const bool separate = notificationSettings->separateNotifications;
    bool added = false;
    for (int i = nextIndex; i < events->size(); ++i) {
        Event *event = events->at(i);
        if (added && separate) {
            if (!digest)
                break;
            digest->add(*event); // counted only; shown at a later "OK"
            continue;
        }
        const bool due = digest ? digest->add(*event) != ReminderKind::None : isDue(*event, today);
        if (!due)
            continue;
        // Moved on before the item is added: the window follows its items
        // with events processed, and a nested "OK" must not find this bill
        // again.
        nextIndex = i + 1;
        addItem(event);
        added = true;
    }
    if (digest && digest->sumsUp())
        addDigest(*digest);
    // Followed once for all the items: fitting the window after each one
    // would lay out every item again for every item added.
    if (added)
        on_itemResize();
    return added;
}

void ReminderWindow::addDigest(const ReminderDigest &digest)
{
    ensureForm();
    // At the top of the list, so it is measured and scrolled with the items.
    digestLabel = new QLabel;
    digestLabel->setObjectName(QStringLiteral("digestLabel"));
    digestLabel->setTextFormat(Qt::PlainText);
    digestLabel->setWordWrap(true);
    digestLabel->setText(digest.sentence() + QLatin1Char('\n') + digest.nearestText());
    ui->layout->insertWidget(0, digestLabel);
}

void ReminderWindow::clearItems()
{
    // The digest stays above the items while they step through the bills.
    const int kept = digestLabel ? 1 : 0;
    while (QLayoutItem *entry = ui->layout->takeAt(kept)) {
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
    // In the window's style from now on, so that it is measured as it will
    // be shown.
    item->ensurePolished();
    // Tab goes through the items in the order they are shown, then to "OK".
    QWidget::setTabOrder(item->lastInTabOrder(), ui->okButton);
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
    const QPointer<ReminderItem> item = qobject_cast<ReminderItem *>(sender());
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    fitToScreen();
    updateGeometry();
    adjustSize();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // An item that came to rest partly outside the visible list is scrolled to.
    if (item)
        ui->scrollArea->ensureWidgetVisible(item, 0, 0);
    if (!notificationSettings->popupDialog)
        placeWindow();
    else
        keepOnScreen();
}

void ReminderWindow::on_itemResize(int)
{
    // The window grows upward by what its contents now ask for; past the
    // screen's height the list scrolls and the window stays.
    const int before = height();
    fitToScreen();
    QRect area = geometry();
    area.setTop(area.top() - (minimumSizeHint().height() - before));
    setGeometry(area);
    if (!slideTimer->isActive())
        keepOnScreen();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ReminderWindow::keepOnScreen()
{
    // A window that grew past an edge of the available area is moved back
    // within it, its top edge first.
    const QSize available = availableSize();
    const QRect frame = frameGeometry();
    const int top = qMax(0, qMin(frame.top(), available.height() - frame.height()));
    if (top != frame.top())
        move(frame.left(), top);
}

void ReminderWindow::fitToScreen()
{
    // The list is as wide as its widest item and as tall as all items at that
    // width, as long as the window stays within the screen's available height
    // (6 pixels off each edge); past that it scrolls. Each item keeps its own
    // sizes up to date, so this reads one cached size per item. The sizes are
    // set here by hand: a window that is not shown yet passes no layout
    // request up, and it must have its final size when it is placed.
    QWidget *contents = ui->scrollAreaWidgetContents;
    ui->layout->invalidate();
    const int width = contents->minimumSizeHint().width();
    const int height = qMax(contents->heightForWidth(width), contents->minimumSizeHint().height());

    ui->scrollArea->setMinimumSize(width, qMax(height, 1));
    refreshWindowLayout();
    const int chrome = minimumSizeHint().height() - ui->scrollArea->minimumHeight();
    const int room = availableSize().height() - 2 * cornerGap - frameHeight() - chrome;
    const bool scrolls = height > room;
    // The scroll bar is there or not by this decision, never by the list's
    // own guess at a width a scroll bar would change.
    ui->scrollArea->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    if (scrolls) {
        const int bar = ui->scrollArea->verticalScrollBar()->sizeHint().width();
        ui->scrollArea->setMinimumSize(width + bar, qMax(room, 1));
        refreshWindowLayout();
    }
}

void ReminderWindow::refreshWindowLayout()
{
    // A handful of layouts between the list and the window.
    ui->scrollArea->updateGeometry();
    ui->verticalLayout->invalidate();
    ui->centralwidget->updateGeometry();
    layout()->invalidate();
    // The window's minimum follows now, not at the next layout request.
    layout()->activate();
}

int ReminderWindow::frameHeight() const
{
    // The window manager's frame is known once the window is on screen;
    // before that a titled window counts the style's title bar.
    const int frame = frameGeometry().height() - geometry().height();
    if (frame > 0 || isVisible() || !notificationSettings->popupDialog)
        return frame;
    return style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
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
