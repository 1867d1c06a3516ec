#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

namespace aru {

// Tells when files come and go in the download folder, so a list of downloaded files can drop a
// file the user deleted without a restart. A burst of changes (a file written, renamed, removed)
// is told once.
//
// The system's notifications cover local folders only: changes made on another machine to a
// network share, and a folder that did not exist when watched, go unseen. watch() again (when
// the folder may have come back) re-arms it; the owner also looks again at moments the user is
// likely to have changed things elsewhere, such as when the window becomes active.
class DownloadFolderWatcher : public QObject {
    Q_OBJECT

public:
    // How long changes are gathered before they are told.
    static constexpr int settleMs = 100;

    explicit DownloadFolderWatcher(QObject* parent = nullptr);

    // Watches `folder` instead of the folder watched so far; the same folder again re-arms the
    // watch when the folder was deleted and has been made again.
    void watch(const QString& folder);
    QString folder() const { return m_folder; }
    // Whether the system is watching the folder now.
    bool isWatching() const;

signals:
    void changed();

private:
    void folderChanged();

    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QString m_folder;
};

} // namespace aru
