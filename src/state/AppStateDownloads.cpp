// Track downloads: the WAV into the download folder, the published progress, failure messages
// that fade, and the history of finished downloads.
#include "APIClient.h"
#include "AppState.h"
#include "Log.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QTimer>
#include <cmath>

namespace aru {

namespace {

// A fraction that is a whole number of hundredths (0.29) is a hair below it once multiplied
// (28.999…); without this margin it would be published one step short.
constexpr double hundredthsMargin = 1e-9;

int wholeHundredths(double fraction) {
    return int(std::floor(fraction * 100.0 + hundredthsMargin));
}

// The text for an error that has none of its own.
QString messageFor(const RequestError& error) {
    const QString description = error.description();
    return description.isEmpty() ? QStringLiteral("Download failed") : description;
}

template <typename Set> QVariantList idList(const Set& ids) {
    QVariantList list;
    list.reserve(ids.size());
    for (const TrackId id : ids)
        list.append(id);
    return list;
}

template <typename Map> QVariantMap idMap(const Map& map) {
    QVariantMap result;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        result.insert(QString::number(it.key()), it.value());
    return result;
}

} // namespace

QCoro::Task<std::optional<QUrl>> AppState::downloadTrack(Track track) {
    const TrackId id = track.id;
    if (m_activeDownloads.contains(id))
        co_return std::nullopt;
    QSet<TrackId> active = m_activeDownloads;
    active.insert(id);
    setActiveDownloads(active);

    const QString folder =
        m_downloadFolder.isLocalFile() ? m_downloadFolder.toLocalFile() : QString();
    if (folder.isEmpty()) {
        // Without a folder the file would land wherever the process happens to run.
        failDownload(track, QStringLiteral("Could not save the file: no download folder"));
        co_return std::nullopt;
    }
    // The folder may have been removed since start; a failure shows when the file is saved.
    QDir().mkpath(folder);
    const QString destination = QDir(folder).filePath(track.suggestedFilename());

    const QPointer<AppState> self(this);
    const auto saved = co_await APIClient::downloadWAV(track, m_userEmail, m_userToken, destination,
                                                       progressReporter(id));
    if (!self)
        co_return saved ? std::optional<QUrl>(QUrl::fromLocalFile(saved.value())) : std::nullopt;

    if (saved) {
        recordDownload(track);
        QSet<TrackId> completed = m_completedDownloads;
        completed.insert(id);
        setCompletedDownloads(completed);
        finishDownload(id);
        co_return QUrl::fromLocalFile(saved.value());
    }

    failDownload(track, messageFor(saved.error()));
    co_return std::nullopt;
}

void AppState::failDownload(const Track& track, const QString& message) {
    const TrackId id = track.id;
    Log::line(
        QStringLiteral("[Download] track %1 '%2' failed: %3").arg(id).arg(track.title, message));
    QHash<TrackId, QString> errors = m_downloadErrors;
    errors.insert(id, message);
    setDownloadErrors(errors);
    // Removes whatever message the track has by then, also one of a later failure.
    QTimer::singleShot(downloadErrorLifetime, this, [self = QPointer<AppState>(this), id] {
        if (!self || !self->m_downloadErrors.contains(id))
            return;
        QHash<TrackId, QString> remaining = self->m_downloadErrors;
        remaining.remove(id);
        self->setDownloadErrors(remaining);
    });
    finishDownload(id);
}

void AppState::finishDownload(TrackId id) {
    QSet<TrackId> active = m_activeDownloads;
    active.remove(id);
    setActiveDownloads(active);
    endProgress(id);
}

void AppState::recordDownload(const Track& track) {
    QList<DownloadEntry> history = m_downloads;
    history.removeIf([id = track.id](const DownloadEntry& entry) { return entry.id == id; });
    const QString date = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    history.prepend(DownloadEntry{track.id, track.title, track.artist, date});
    if (history.size() > downloadHistoryLimit)
        history.resize(downloadHistoryLimit);
    setDownloads(history);
    persist();
}

AppState::DownloadProgressReporter AppState::progressReporter(TrackId id) {
    const QPointer<AppState> self(this);
    const quint64 round = m_progressRounds.value(id);
    return [self, id, round](std::optional<double> fraction) {
        // The application object outlives every state, so the report can always be posted;
        // whether the state still exists is asked on the main thread only.
        QCoreApplication* const app = QCoreApplication::instance();
        if (!app)
            return;
        QMetaObject::invokeMethod(
            app,
            [self, id, round, fraction] {
                if (self && self->m_progressRounds.value(id) == round)
                    self->setProgress(id, fraction);
            },
            Qt::QueuedConnection);
    };
}

void AppState::setProgress(TrackId id, std::optional<double> fraction) {
    if (!fraction || !std::isfinite(*fraction))
        return;
    const double rounded = wholeHundredths(std::clamp(*fraction, 0.0, 1.0)) / 100.0;
    const auto current = m_downloadProgress.constFind(id);
    if (current != m_downloadProgress.cend() && *current == rounded)
        return;
    QHash<TrackId, double> progress = m_downloadProgress;
    progress.insert(id, rounded);
    setDownloadProgress(progress);
}

void AppState::endProgress(qint64 id) {
    ++m_progressRounds[id];
    if (!m_downloadProgress.contains(id))
        return;
    QHash<TrackId, double> progress = m_downloadProgress;
    progress.remove(id);
    setDownloadProgress(progress);
}

QString AppState::downloadHelp(qint64 id) const {
    QString text = t(QStringLiteral("drag.help.loading"));
    if (const auto percent = downloadPercent(id))
        text += QStringLiteral(" %1 %").arg(*percent);
    return text;
}

std::optional<int> AppState::downloadPercent(TrackId id) const {
    const auto progress = m_downloadProgress.constFind(id);
    if (progress == m_downloadProgress.cend())
        return std::nullopt;
    return wholeHundredths(*progress);
}

QVariantList AppState::activeDownloadsValue() const {
    return idList(m_activeDownloads);
}

QVariantList AppState::completedDownloadsValue() const {
    return idList(m_completedDownloads);
}

QVariantMap AppState::downloadProgressValue() const {
    return idMap(m_downloadProgress);
}

QVariantMap AppState::downloadErrorsValue() const {
    return idMap(m_downloadErrors);
}

} // namespace aru
