#pragma once

#include "SharedInstance.h"
#include "Track.h"

#include <QCoroTask>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

namespace aru {

// Local WAV copies for dragging tracks out of the window: a drag must hand over a file that is
// already on disk. Copies are fetched on request into the drag cache, named after the track, and
// kept across runs; a file's presence is the only record.
class DragService : public SharedInstance<DragService> {
public:
    using ProgressCallback = std::function<void(std::optional<double>)>;

    DragService(QString cacheDir, QString stagingDir);

    QString cacheDir() const { return m_cacheDir; }
    // Where the track's copy lives (or would live) in the drag cache.
    QString cachedPath(const Track& track) const;

    // The track's copy in the drag cache: the one already there, else downloaded (an HTTP error
    // keeps nothing). None on any failure.
    QCoro::Task<std::optional<QUrl>> ensureCached(Track track, QString email, QString token,
                                                  ProgressCallback onProgress = {});

    // A file a drag can hand over under the track's display name: the local file itself when
    // its name already is that, else a link to it (a copy where links are refused) named
    // niceFilename + ".wav" in a staging folder of the track's own. Receivers keep a dropped
    // file's name, so the name must be right before the drag starts. None when the file cannot
    // be offered.
    std::optional<QString> stageForDrag(const QString& localFile, const Track& track) const;

    // Keeps only letters, marks and digits of any script, the space, ".", "_" and "-".
    static QString sanitize(const QString& name);

private:
    const QString m_cacheDir;
    const QString m_stagingDir;
};

} // namespace aru
