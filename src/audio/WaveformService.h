#pragma once

#include "PeakExtraction.h"
#include "SharedInstance.h"
#include "Track.h"
#include "TrackFileCache.h"

#include <QCache>
#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QtQmlIntegration>
#include <optional>

class QQmlEngine;
class QJSEngine;

namespace aru {

// Supplies each track's waveform picture, cheapest source first: the disk cache, the catalogue
// server's peaks, or a measurement of the track's WAV. Rows of a long list ask for background
// loading as they appear and withdraw when they go; a small queue keeps that from flooding the
// network, a job nobody waits for any more is dropped before it starts, and loadedTrackIDs tells
// waiting rows when to look in the cache again. The WAVs come from the shared track file cache.
//
// Everything runs on the main thread except the measurement itself. A track is fetched or
// measured at most once across runs (the cache is never invalidated) and, when that fails, not
// tried again in the same run.
class WaveformService : public QObject, public SharedInstance<WaveformService> {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    Q_PROPERTY(QVariantList loadedTrackIDs READ loadedTrackIDsValue NOTIFY loadedTrackIDsChanged)

public:
    // What a queued job needs to fetch the track's WAV.
    struct TrackInfo {
        QString audioFile;
        QString email;
        QString token;
    };

    static constexpr int maxConcurrent = 6;
    // Tracks whose decoded peaks stay in memory (about 1.5 KB each at 380 bars).
    static constexpr int decodedPeaksLimit = 2000;

    // QML's WaveformService is the shared instance.
    static WaveformService* create(QQmlEngine*, QJSEngine*);

    // `cacheRoot` holds the "Waveforms" folder; the WAVs to measure go into `trackFiles`.
    WaveformService(QString cacheRoot, TrackFileCache& trackFiles, QObject* parent = nullptr);

    // The track's cached peaks; none when there is no readable cache file. Peaks read once are
    // answered from memory afterwards, so rows that scroll back into view read no file.
    std::optional<Peaks> cached(TrackId trackId) const;
    // The same for views: a list of numbers, or undefined.
    Q_INVOKABLE QVariant cachedPeaks(qint64 trackId) const;
    // Queues the track for background loading unless it is loaded, cached, queued or running.
    // Each call while the track is queued counts one more row waiting for it.
    Q_INVOKABLE void enqueueBackgroundLoad(qint64 trackId, const QString& audioFile,
                                           const QString& email, const QString& token);
    // A row that asked for the track has gone: once no row waits for it, a job that has not
    // started is dropped (a running one completes). Rows call this when they are destroyed.
    Q_INVOKABLE void withdrawBackgroundLoad(qint64 trackId);
    // Peaks of a local audio file: the cached ones, else measured off the main thread and cached.
    QCoro::Task<std::optional<Peaks>>
    generatePeaks(QString localFile, TrackId trackId,
                  int peakCount = PeakExtraction::defaultPeakCount);

    const QSet<TrackId>& loadedTrackIDs() const { return m_loadedTrackIDs; }
    Q_INVOKABLE bool isLoaded(qint64 trackId) const { return m_loadedTrackIDs.contains(trackId); }
    const QList<TrackId>& backgroundQueue() const { return m_backgroundQueue; }
    const QSet<TrackId>& processingIds() const { return m_processingIds; }

    QString cacheDir() const { return m_cacheDir; }
    QString cacheFilePath(TrackId trackId) const;

    // Where the WAV to measure comes from: the audio address turned into the download one, with
    // the e-mail and token percent-encoded. Invalid when none can be formed.
    static QUrl measurementDownloadURL(const QString& audioFile, const QString& email,
                                       const QString& token);

signals:
    void loadedTrackIDsChanged();

private:
    QVariantList loadedTrackIDsValue() const;
    void processNext();
    QCoro::Task<> startProcess(TrackId trackId, TrackInfo info);
    // The track's WAV in the track file cache, downloaded from `url` unless it is already there;
    // none on failure.
    QCoro::Task<std::optional<QString>> localTrackFile(TrackId trackId, QUrl url);
    static QCoro::Task<std::optional<Peaks>> fetchPeaksFromAPI(TrackId trackId);
    void writeCache(TrackId trackId, const Peaks& peaks) const;
    std::optional<Peaks> readCacheFile(TrackId trackId) const;
    void rememberDecoded(TrackId trackId, const Peaks& peaks) const;
    // The job ended with or without peaks: not tried again in this run.
    void complete(TrackId trackId);
    // The job could not start its work: a later request queues the track again.
    void release(TrackId trackId);

    const QString m_cacheDir;
    TrackFileCache& m_trackFiles;
    QList<TrackId> m_backgroundQueue;
    QSet<TrackId> m_processingIds;
    QHash<TrackId, TrackInfo> m_trackInfoMap;
    // Per queued track, how many rows wait for it.
    QHash<TrackId, int> m_waitingRows;
    QSet<TrackId> m_loadedTrackIDs;
    // Peaks already read or written, most recently used kept first.
    mutable QCache<TrackId, Peaks> m_decodedPeaks{decodedPeaksLimit};
};

} // namespace aru
