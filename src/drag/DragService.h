#pragma once

#include "SharedInstance.h"
#include "Track.h"
#include "TrackFileCache.h"

#include <QCoroTask>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

namespace aru {

// Local WAV copies for dragging tracks out of the window: a drag must hand over a file that is
// already on disk. Copies are fetched on request into the track file cache (which the waveform
// measurement shares), kept across runs while the cache's bound allows.
class DragService : public SharedInstance<DragService> {
public:
    using ProgressCallback = std::function<void(std::optional<double>)>;

    // `trackFiles` must outlive this service.
    DragService(TrackFileCache& trackFiles, QString stagingDir);
    ~DragService();

    QString cacheDir() const { return m_trackFiles.folder(); }
    // Where the track's copy lives (or would live) in the drag cache.
    QString cachedPath(const Track& track) const;
    // Keeps the track's cached copy while a row offers it for dragging.
    TrackFileCache::Pin holdCopy(const Track& track) { return m_trackFiles.pin(track.id); }

    // The track's copy in the drag cache: the one already there, else downloaded (an HTTP error
    // keeps nothing). None on any failure.
    QCoro::Task<std::optional<QUrl>> ensureCached(Track track, QString email, QString token,
                                                  ProgressCallback onProgress = {});

    // A file a drag can hand over under the track's display name: the local file itself when
    // its name already is that, else a link to it named niceFilename + ".wav" in a staging
    // folder of the track's own (a hard link, or a symbolic one across file systems: never a
    // copy, which would hold up the window). Receivers keep a dropped file's name, so the name
    // must be right before the drag starts. None when the file cannot be offered.
    std::optional<QString> stageForDrag(const QString& localFile, const Track& track) const;

private:
    QString stagingFolder(TrackId trackId) const;

    TrackFileCache& m_trackFiles;
    const QString m_stagingDir;
};

} // namespace aru
