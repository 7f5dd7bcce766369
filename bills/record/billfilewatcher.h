#ifndef PAYVANE_BILLFILEWATCHER_H
#define PAYVANE_BILLFILEWATCHER_H

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

// Tells when a file may have changed on disk: written in place, replaced by
// another file renamed over it (as saves and sync programs do), removed or
// created. The file and its folder are watched; a replaced file is watched
// again under its name. Several notices of one save come as one changed().
// Whether the bytes really changed is the receiver's question
// (BillFile::changedOnDisk()).
class BillFileWatcher : public QObject
{
    Q_OBJECT

public:
    explicit BillFileWatcher(const QString &path, QObject *parent = nullptr);

signals:
    void changed();

private:
    void watchPaths();
    void noticed();

    QString m_path;
    QFileSystemWatcher m_watcher;
    QTimer m_settle; // waits for the rest of a save's notices
};

#endif // PAYVANE_BILLFILEWATCHER_H
