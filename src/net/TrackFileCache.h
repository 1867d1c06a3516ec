#pragma once

#include "APIClient.h"
#include "Track.h"

#include <QCoroTask>
#include <QHash>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

namespace aru {

// The tracks' WAV files kept on disk, for measuring waveforms and for dragging tracks out: one
// file per track, named by its id, so both uses share it and two tracks never share one. The
// folder is bounded in size: when a new file takes it over the bound, the least recently used
// files go first, never one that is pinned (being measured, or ready for a drag).
class TrackFileCache {
public:
    static constexpr qint64 defaultMaxBytes = qint64(2) * 1024 * 1024 * 1024;

    // Keeps its track's file in the cache while it lives.
    class Pin {
    public:
        Pin() = default;
        Pin(Pin&& other) noexcept;
        Pin& operator=(Pin&& other) noexcept;
        ~Pin();

    private:
        friend class TrackFileCache;
        using Counts = QHash<TrackId, int>;
        Pin(std::weak_ptr<Counts> counts, TrackId trackId);
        void release();

        std::weak_ptr<Counts> m_counts;
        TrackId m_trackId = 0;
    };

    // Temporary files a killed run left in `folder` are swept here.
    explicit TrackFileCache(QString folder, qint64 maxBytes = defaultMaxBytes);

    QString folder() const { return m_folder; }
    qint64 maxBytes() const { return m_maxBytes; }
    // Where the track's file is, or would be.
    QString path(TrackId trackId) const;
    // The track's file when it is there; it counts as used now.
    std::optional<QString> existing(TrackId trackId) const;
    // The track's file: the one there, else fetched from `url` (an HTTP error keeps nothing).
    QCoro::Task<ApiResult<QString>> fetch(TrackId trackId, QUrl url,
                                          ProgressCallback onProgress = {});

    Pin pin(TrackId trackId);
    bool isPinned(TrackId trackId) const;
    // Told of each track whose file the bound pushed out.
    void setEvictionListener(std::function<void(TrackId)> listener);

    // Removes the least recently used files that are neither pinned nor `keep` until the folder
    // is within the bound.
    void evictOverBound(std::optional<TrackId> keep = std::nullopt);

private:
    const QString m_folder;
    const qint64 m_maxBytes;
    std::shared_ptr<Pin::Counts> m_pins = std::make_shared<Pin::Counts>();
    std::function<void(TrackId)> m_evictionListener;
};

} // namespace aru
