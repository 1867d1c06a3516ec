#include "WaveformService.h"

#include "HttpTransport.h"
#include "JsonFields.h"
#include "Log.h"
#include "ServerAddress.h"

#include <QCoroFuture>
#include <QDir>
#include <QFile>
#include <QJSEngine>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentRun>

namespace aru {

namespace {

QByteArray encodedPeaks(const Peaks& peaks) {
    QJsonArray array;
    for (const float v : peaks)
        array.append(double(v));
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

} // namespace

WaveformService* WaveformService::create(QQmlEngine*, QJSEngine*) {
    WaveformService* service = &shared();
    QJSEngine::setObjectOwnership(service, QJSEngine::CppOwnership);
    return service;
}

WaveformService::WaveformService(QString cacheRoot, TrackFileCache& trackFiles, QObject* parent)
    : QObject(parent)
    , SharedInstance(this)
    , m_cacheDir(QDir(cacheRoot).filePath(QStringLiteral("Waveforms")))
    , m_trackFiles(trackFiles) {
    // A folder that cannot be made shows up later as a cache miss.
    QDir().mkpath(m_cacheDir);
}

QString WaveformService::cacheFilePath(TrackId trackId) const {
    return QDir(m_cacheDir).filePath(QString::number(trackId) + QLatin1String(".json"));
}

std::optional<Peaks> WaveformService::cached(TrackId trackId) const {
    if (const Peaks* remembered = m_decodedPeaks.object(trackId))
        return *remembered;
    auto peaks = readCacheFile(trackId);
    if (peaks)
        rememberDecoded(trackId, *peaks);
    return peaks;
}

void WaveformService::rememberDecoded(TrackId trackId, const Peaks& peaks) const {
    m_decodedPeaks.insert(trackId, new Peaks(peaks));
}

std::optional<Peaks> WaveformService::readCacheFile(TrackId trackId) const {
    QFile file(cacheFilePath(trackId));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    return JsonFields::floatList(document.array());
}

QVariant WaveformService::cachedPeaks(qint64 trackId) const {
    const auto peaks = cached(trackId);
    if (!peaks)
        return {};
    return QVariant::fromValue(*peaks);
}

void WaveformService::enqueueBackgroundLoad(qint64 trackId, const QString& audioFile,
                                            const QString& email, const QString& token) {
    if (m_loadedTrackIDs.contains(trackId))
        return;
    if (cached(trackId)) {
        m_loadedTrackIDs.insert(trackId);
        emit loadedTrackIDsChanged();
        return;
    }
    if (m_processingIds.contains(trackId))
        return;
    // A repeated request keeps the record of the first one.
    ++m_waitingRows[trackId];
    if (m_backgroundQueue.contains(trackId))
        return;
    m_trackInfoMap.insert(trackId, TrackInfo{audioFile, email, token});
    m_backgroundQueue.append(trackId);
    processNext();
}

void WaveformService::withdrawBackgroundLoad(qint64 trackId) {
    const auto waiting = m_waitingRows.find(trackId);
    if (waiting == m_waitingRows.end() || --*waiting > 0)
        return;
    // Nobody will show this waveform: a user flicking through the list must not leave a WAV
    // download queued for every row that passed by.
    m_waitingRows.erase(waiting);
    m_backgroundQueue.removeOne(trackId);
    m_trackInfoMap.remove(trackId);
}

void WaveformService::processNext() {
    while (m_processingIds.size() < maxConcurrent && !m_backgroundQueue.isEmpty()) {
        const TrackId trackId = m_backgroundQueue.takeFirst();
        const auto info = m_trackInfoMap.constFind(trackId);
        if (info == m_trackInfoMap.cend())
            continue;
        const TrackInfo record = *info;
        m_trackInfoMap.erase(info);
        m_waitingRows.remove(trackId);
        m_processingIds.insert(trackId);
        // Not awaited: the job reports back through complete() or release().
        startProcess(trackId, record);
    }
}

QCoro::Task<> WaveformService::startProcess(TrackId trackId, TrackInfo info) {
    const QPointer<WaveformService> self(this);
    const auto fetched = co_await fetchPeaksFromAPI(trackId);
    if (!self)
        co_return;
    if (fetched) {
        writeCache(trackId, *fetched);
        complete(trackId);
        co_return;
    }

    const QUrl download = measurementDownloadURL(info.audioFile, info.email, info.token);
    if (!download.isValid()) {
        release(trackId);
        co_return;
    }
    const auto localFile = co_await localTrackFile(trackId, download);
    if (!self)
        co_return;
    if (localFile) {
        // generatePeaks writes the cache file itself when it succeeds.
        co_await generatePeaks(*localFile, trackId);
        if (!self)
            co_return;
    }
    complete(trackId);
}

QCoro::Task<std::optional<QString>> WaveformService::localTrackFile(TrackId trackId, QUrl url) {
    // Checked like every download: a file in the cache is re-used, so an error page must never be
    // kept in place of the WAV.
    const auto saved = co_await m_trackFiles.fetch(trackId, url);
    if (!saved) {
        Log::line(QStringLiteral("[Waveform] DL failed for %1: %2")
                      .arg(trackId)
                      .arg(HttpTransport::redacted(saved.error().description(), url)));
        co_return std::nullopt;
    }
    co_return saved.value();
}

QCoro::Task<std::optional<Peaks>> WaveformService::fetchPeaksFromAPI(TrackId trackId) {
    const QUrl url(ServerAddress::baseUrl() + QLatin1String("/api/sync/peaks/") +
                   QString::number(trackId));
    if (!url.isValid() || url.host().isEmpty())
        co_return std::nullopt;
    // A plain request: no credentials travel to the peaks endpoint.
    const QByteArray verb("GET");
    const auto answer = co_await HttpTransport::exchange(HttpTransport::request(url, false), verb);
    if (!answer || !answer->status || *answer->status > 399)
        co_return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(answer->body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        co_return std::nullopt;
    co_return JsonFields::floatList(document.object().value(QLatin1String("peaks")));
}

QCoro::Task<std::optional<Peaks>> WaveformService::generatePeaks(QString localFile, TrackId trackId,
                                                                 int peakCount) {
    if (auto peaks = cached(trackId))
        co_return peaks;
    const QPointer<WaveformService> self(this);
    // The track file cache must not take the file away while it is read.
    const TrackFileCache::Pin measuring = m_trackFiles.pin(trackId);
    std::optional<Peaks> peaks =
        co_await QtConcurrent::run(&PeakExtraction::extractPeaks, localFile, peakCount);
    if (peaks && self)
        self->writeCache(trackId, *peaks);
    co_return peaks;
}

void WaveformService::writeCache(TrackId trackId, const Peaks& peaks) const {
    QDir().mkpath(m_cacheDir);
    // Written whole or not at all: a half-written file would be the track's waveform for good.
    QSaveFile file(cacheFilePath(trackId));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(encodedPeaks(peaks));
        if (file.commit())
            rememberDecoded(trackId, peaks);
    }
}

void WaveformService::complete(TrackId trackId) {
    m_loadedTrackIDs.insert(trackId);
    emit loadedTrackIDsChanged();
    m_processingIds.remove(trackId);
    processNext();
}

void WaveformService::release(TrackId trackId) {
    m_processingIds.remove(trackId);
    processNext();
}

QVariantList WaveformService::loadedTrackIDsValue() const {
    QVariantList ids;
    ids.reserve(m_loadedTrackIDs.size());
    for (const TrackId id : m_loadedTrackIDs)
        ids.append(id);
    return ids;
}

QUrl WaveformService::measurementDownloadURL(const QString& audioFile, const QString& email,
                                             const QString& token) {
    return Track::fileDownloadURL(audioFile, email, token);
}

} // namespace aru
