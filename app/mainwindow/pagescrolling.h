#ifndef PAYVANE_PAGESCROLLING_H
#define PAYVANE_PAGESCROLLING_H

#include <QObject>

class QScrollArea;
class QTabWidget;
class QWidget;

namespace Ui {
class MainWindow;
}

// Each page of the main window in a scroll area of its own, so that no
// page makes the window larger than a small or magnified screen; whatever
// takes the focus is scrolled into view.
class PageScrolling : public QObject
{
    Q_OBJECT

public:
    // Puts the pages into their scroll areas; `formWindow` is the form's window.
    PageScrolling(Ui::MainWindow *form, QWidget *formWindow);

    // The scroll area of a page (1 to 4; the list page scrolls its commands).
    [[nodiscard]] QScrollArea *pageArea(int page) const;

private:
    void scrollListCommands();
    void scrollWholePages();
    void keepFocusInView(QWidget *focused);

    Ui::MainWindow *ui;
    QWidget *window;
};

#endif // PAYVANE_PAGESCROLLING_H
