#include "TrackFileCache.h"

#include "Downloader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

namespace aru {

namespace {

const QString extension = QStringLiteral(".wav");

// Use is recorded as the file's modification time, which survives from one run to the next.
void markUsed(const QString& path) {
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), nullptr, 0);
}

// The track of a file of our own naming ("<id>.wav"); none for anything else in the folder.
std::optional<TrackId> trackOf(const QString& fileName) {
    if (!fileName.endsWith(extension))
        return std::nullopt;
    bool ok = false;
    const TrackId id = fileName.chopped(extension.size()).toLongLong(&ok);
    return ok && QString::number(id) + extension == fileName ? std::optional(id) : std::nullopt;
}

} // namespace

TrackFileCache::Pin::Pin(std::weak_ptr<Counts> counts, TrackId trackId)
    : m_counts(std::move(counts))
    , m_trackId(trackId) {
    if (const auto counts = m_counts.lock())
        ++(*counts)[m_trackId];
}

TrackFileCache::Pin::Pin(Pin&& other) noexcept
    : m_counts(std::exchange(other.m_counts, {}))
    , m_trackId(other.m_trackId) {}

TrackFileCache::Pin& TrackFileCache::Pin::operator=(Pin&& other) noexcept {
    if (this != &other) {
        release();
        m_counts = std::exchange(other.m_counts, {});
        m_trackId = other.m_trackId;
    }
    return *this;
}

TrackFileCache::Pin::~Pin() {
    release();
}

void TrackFileCache::Pin::release() {
    const auto counts = std::exchange(m_counts, {}).lock();
    if (!counts)
        return;
    const auto count = counts->find(m_trackId);
    if (count != counts->end() && --*count <= 0)
        counts->erase(count);
}

TrackFileCache::TrackFileCache(QString folder, qint64 maxBytes)
    : m_folder(std::move(folder))
    , m_maxBytes(maxBytes) {
    // A folder that cannot be made shows up later as a failed download.
    QDir().mkpath(m_folder);
    Downloader::sweepLeftovers(m_folder);
}

QString TrackFileCache::path(TrackId trackId) const {
    return QDir(m_folder).filePath(QString::number(trackId) + extension);
}

std::optional<QString> TrackFileCache::existing(TrackId trackId) const {
    const QString file = path(trackId);
    if (!QFileInfo(file).isFile())
        return std::nullopt;
    markUsed(file);
    return file;
}

QCoro::Task<ApiResult<QString>> TrackFileCache::fetch(TrackId trackId, QUrl url,
                                                      ProgressCallback onProgress) {
    if (auto file = existing(trackId))
        co_return ApiResult<QString>::success(*file);
    QDir().mkpath(m_folder);
    // The cache outlives every fetch in the app; the pin map tells whether it still exists.
    const std::weak_ptr<Pin::Counts> alive = m_pins;
    auto saved = co_await APIClient::downloadFile(url, path(trackId), std::move(onProgress));
    if (saved && !alive.expired())
        evictOverBound(trackId);
    co_return saved;
}

TrackFileCache::Pin TrackFileCache::pin(TrackId trackId) {
    return Pin(m_pins, trackId);
}

bool TrackFileCache::isPinned(TrackId trackId) const {
    return m_pins->contains(trackId);
}

void TrackFileCache::setEvictionListener(std::function<void(TrackId)> listener) {
    m_evictionListener = std::move(listener);
}

void TrackFileCache::evictOverBound(std::optional<TrackId> keep) {
    struct Entry {
        TrackId trackId;
        QFileInfo file;
    };
    QList<Entry> entries;
    qint64 total = 0;
    for (const QFileInfo& file :
         QDir(m_folder).entryInfoList({QLatin1Char('*') + extension}, QDir::Files | QDir::Hidden)) {
        if (const auto trackId = trackOf(file.fileName())) {
            entries.append({*trackId, file});
            total += file.size();
        }
    }
    if (total <= m_maxBytes)
        return;
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.file.lastModified() < b.file.lastModified();
    });
    for (const Entry& entry : entries) {
        if (total <= m_maxBytes)
            break;
        if (entry.trackId == keep || isPinned(entry.trackId))
            continue;
        if (!QFile::remove(entry.file.filePath()))
            continue;
        total -= entry.file.size();
        if (m_evictionListener)
            m_evictionListener(entry.trackId);
    }
}

} // namespace aru
