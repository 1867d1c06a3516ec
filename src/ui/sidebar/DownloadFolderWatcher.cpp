#include "DownloadFolderWatcher.h"

#include <QFileInfo>

namespace aru {

DownloadFolderWatcher::DownloadFolderWatcher(QObject* parent)
    : QObject(parent) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &DownloadFolderWatcher::changed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &DownloadFolderWatcher::folderChanged);
}

void DownloadFolderWatcher::watch(const QString& folder) {
    if (folder != m_folder && !m_folder.isEmpty())
        m_watcher.removePath(m_folder);
    m_folder = folder;
    if (!m_folder.isEmpty() && !isWatching() && QFileInfo(m_folder).isDir())
        m_watcher.addPath(m_folder);
}

bool DownloadFolderWatcher::isWatching() const {
    return m_watcher.directories().contains(m_folder);
}

void DownloadFolderWatcher::folderChanged() {
    // The system drops the watch of a folder that was deleted; a folder made again in its
    // place is watched anew.
    watch(m_folder);
    m_settle.start();
}

} // namespace aru
