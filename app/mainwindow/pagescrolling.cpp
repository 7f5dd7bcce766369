#include "pagescrolling.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace {

QScrollArea *newScrollArea(const QString &name)
{
    auto *area = new QScrollArea;
    area->setObjectName(name);
    area->setFrameShape(QFrame::NoFrame);
    area->setFocusPolicy(Qt::NoFocus);
    area->setWidgetResizable(true);
    return area;
}

void setScrolledWidget(QScrollArea *area, QWidget *contents)
{
    area->setWidget(contents);
    // The page's own colour (or the glass) shows, not the palette's.
    contents->setAutoFillBackground(false);
    area->viewport()->setAutoFillBackground(false);
}

// The scroll area whose contents hold the control, or null.
QScrollArea *scrollAreaAround(const QWidget *control)
{
    for (QWidget *outer = control->parentWidget(); outer; outer = outer->parentWidget()) {
        auto *area = qobject_cast<QScrollArea *>(outer);
        if (area && area->widget() && area->widget()->isAncestorOf(control))
            return area;
    }
    return nullptr;
}

} // namespace

PageScrolling::PageScrolling(Ui::MainWindow *form, QWidget *formWindow)
    : QObject(formWindow)
    , ui(form)
    , window(formWindow)
{
    scrollListCommands();
    scrollWholePages();
    // Whatever takes the focus is scrolled into view (a Tab, or a check
    // that sends the user to a field) once the layouts have settled.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *focused) {
        QTimer::singleShot(0, this, [this, control = QPointer<QWidget>(focused)] {
            if (control && control->hasFocus())
                keepFocusInView(control);
        });
    });
}

void PageScrolling::scrollListCommands()
{
    // The list keeps the height of the page, with its totals below it; the
    // column of commands beside it scrolls.
    auto *commands = new QWidget(ui->viewTab);
    commands->setObjectName(QStringLiteral("commandsWidget"));
    ui->horizontalLayout_2->removeItem(ui->verticalLayoutButtons);
    ui->verticalLayoutButtons->setParent(nullptr);
    ui->verticalLayoutButtons->setContentsMargins(0, 0, 0, 0);
    commands->setLayout(ui->verticalLayoutButtons);
    QScrollArea *commandsArea = newScrollArea(QStringLiteral("commandsScrollArea"));
    commandsArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setScrolledWidget(commandsArea, commands);
    // As wide as the commands, with room for the scroll bar when it shows.
    commandsArea->setMinimumWidth(commands->minimumSizeHint().width()
                                  + commandsArea->verticalScrollBar()->sizeHint().width());
    commandsArea->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    ui->horizontalLayout_2->insertWidget(0, commandsArea);
}

void PageScrolling::scrollWholePages()
{
    // The other pages scroll whole, each in a scroll area that takes its
    // place among the pages; the page keeps its layout and its colour.
    QTabWidget *pages = ui->tabWidget;
    for (int index = 1; index < pages->count(); ++index) {
        QWidget *page = pages->widget(index);
        const QString title = pages->tabText(index);
        QScrollArea *area = newScrollArea(page->objectName() + QLatin1String("ScrollArea"));
        pages->removeTab(index);
        setScrolledWidget(area, page);
        pages->insertTab(index, area, title);
    }
}

QScrollArea *PageScrolling::pageArea(int page) const
{
    return qobject_cast<QScrollArea *>(ui->tabWidget->widget(page));
}

void PageScrolling::keepFocusInView(QWidget *focused)
{
    QScrollArea *area = focused->window() == window ? scrollAreaAround(focused) : nullptr;
    if (!area)
        return;
    // The whole control where it fits, with some room around it; a larger
    // one shows the part that has the focus (a list its current row).
    const QRect place(focused->mapTo(area->widget(), QPoint(0, 0)), focused->size());
    const QSize room = area->viewport()->size();
    if (place.width() > room.width() || place.height() > room.height()) {
        area->ensureWidgetVisible(focused, 0, 0);
        return;
    }
    const int xMargin = std::min(20, (room.width() - place.width()) / 2);
    const int yMargin = std::min(20, (room.height() - place.height()) / 2);
    area->ensureVisible(place.center().x(), place.center().y(), place.width() / 2 + xMargin,
                        place.height() / 2 + yMargin);
}
