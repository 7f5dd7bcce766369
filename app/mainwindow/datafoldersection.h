#ifndef PAYVANE_DATAFOLDERSECTION_H
#define PAYVANE_DATAFOLDERSECTION_H

#include <QGroupBox>

class QLabel;
class QPushButton;

// The settings page's data folder: where the bills and the other data files
// are, and "Move…" to move them to a folder the user picks (a sync
// program's folder, to share the bills between machines). The move itself
// is the main window's, which holds the bills.
class DataFolderSection : public QGroupBox
{
    Q_OBJECT

public:
    explicit DataFolderSection(QWidget *parent = nullptr);

    // Shows the folder in use now.
    void showFolder();
    // The section's widgets in the order Tab visits them.
    [[nodiscard]] QList<QWidget *> tabChain() const;

signals:
    // The user picked `folder` to move the data files to.
    void moveRequested(const QString &folder);

private:
    void pickFolder();

    QLabel *m_folder;
    QPushButton *m_move;
};

#endif // PAYVANE_DATAFOLDERSECTION_H
