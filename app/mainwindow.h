#ifndef PAYVANE_MAINWINDOW_H
#define PAYVANE_MAINWINDOW_H

#include <QMainWindow>

// The bill list window; its pages come with their own changes.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;
};

#endif // PAYVANE_MAINWINDOW_H
