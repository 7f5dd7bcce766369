#include "billfilewatcher.h"

#include <QFileInfo>

namespace {

// A save is a new file and a rename; a sync program may take a moment more.
constexpr int SettleMs = 100;

} // namespace

BillFileWatcher::BillFileWatcher(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &BillFileWatcher::changed);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &BillFileWatcher::noticed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &BillFileWatcher::noticed);
    watchPaths();
}

void BillFileWatcher::watchPaths()
{
    // A file replaced by rename is dropped from the watch: its name is
    // watched again whenever it is there.
    const QFileInfo file(m_path);
    const QString folder = file.absolutePath();
    if (!m_watcher.directories().contains(folder) && QFileInfo(folder).isDir())
        m_watcher.addPath(folder);
    if (!m_watcher.files().contains(m_path) && file.exists())
        m_watcher.addPath(m_path);
}

void BillFileWatcher::noticed()
{
    watchPaths();
    m_settle.start();
}
