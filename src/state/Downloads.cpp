// Track downloads: the WAV into the download folder, the published progress, failure messages
// that fade, and the history of finished downloads.
#include "Downloads.h"

#include "APIClient.h"
#include "ChangeNotification.h"
#include "Credentials.h"
#include "Downloader.h"
#include "Log.h"
#include "Preferences.h"
#include "SettingsStore.h"

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

const QString downloadsKey = QStringLiteral("aru.downloads");

} // namespace

Downloads::Downloads(SettingsStore& settings, const Credentials& credentials,
                     const Preferences& preferences, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_credentials(credentials)
    , m_preferences(preferences) {
    // An unreadable history is ignored: it starts empty.
    if (const auto bytes = m_settings.bytes(downloadsKey)) {
        if (auto history = DownloadEntry::listFromJson(*bytes))
            m_downloads = std::move(history).value();
    }
    // Downloads are written beside their destination; a run killed mid-transfer left its
    // temporary file there.
    const QUrl folder = m_preferences.downloadFolder();
    if (folder.isLocalFile())
        Downloader::sweepLeftovers(folder.toLocalFile());
}

void Downloads::setDownloads(const QList<DownloadEntry>& downloads) {
    if (assignAndNotify(this, m_downloads, downloads, &Downloads::downloadsChanged))
        m_settings.setBytes(downloadsKey, DownloadEntry::listToJson(m_downloads));
}

void Downloads::setActiveDownloads(const QSet<TrackId>& ids) {
    assignAndNotify(this, m_activeDownloads, ids, &Downloads::activeDownloadsChanged);
}

void Downloads::setCompletedDownloads(const QSet<TrackId>& ids) {
    assignAndNotify(this, m_completedDownloads, ids, &Downloads::completedDownloadsChanged);
}

void Downloads::setDownloadProgress(const QHash<TrackId, double>& progress) {
    assignAndNotify(this, m_downloadProgress, progress, &Downloads::downloadProgressChanged);
}

void Downloads::setDownloadErrors(const QHash<TrackId, QString>& errors) {
    assignAndNotify(this, m_downloadErrors, errors, &Downloads::downloadErrorsChanged);
}

QCoro::Task<std::optional<QUrl>> Downloads::downloadTrack(Track track) {
    const TrackId id = track.id;
    if (m_activeDownloads.contains(id))
        co_return std::nullopt;
    QSet<TrackId> active = m_activeDownloads;
    active.insert(id);
    setActiveDownloads(active);

    const QUrl folderUrl = m_preferences.downloadFolder();
    const QString folder = folderUrl.isLocalFile() ? folderUrl.toLocalFile() : QString();
    if (folder.isEmpty()) {
        // Without a folder the file would land wherever the process happens to run.
        failDownload(track, QStringLiteral("Could not save the file: no download folder"));
        co_return std::nullopt;
    }
    // The folder may have been removed since start; a failure shows when the file is saved.
    QDir().mkpath(folder);
    const QString destination = QDir(folder).filePath(track.suggestedFilename());

    const QPointer<Downloads> self(this);
    const auto saved = co_await APIClient::downloadWAV(
        track, m_credentials.email, m_credentials.token, destination, progressReporter(id));
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

void Downloads::failDownload(const Track& track, const QString& message) {
    const TrackId id = track.id;
    Log::line(
        QStringLiteral("[Download] track %1 '%2' failed: %3").arg(id).arg(track.title, message));
    QHash<TrackId, QString> errors = m_downloadErrors;
    errors.insert(id, message);
    setDownloadErrors(errors);
    // Removes whatever message the track has by then, also one of a later failure.
    QTimer::singleShot(m_errorLifetime, this, [self = QPointer<Downloads>(this), id] {
        if (!self || !self->m_downloadErrors.contains(id))
            return;
        QHash<TrackId, QString> remaining = self->m_downloadErrors;
        remaining.remove(id);
        self->setDownloadErrors(remaining);
    });
    finishDownload(id);
}

void Downloads::finishDownload(TrackId id) {
    QSet<TrackId> active = m_activeDownloads;
    active.remove(id);
    setActiveDownloads(active);
    endProgress(id);
}

void Downloads::recordDownload(const Track& track) {
    QList<DownloadEntry> history = m_downloads;
    history.removeIf([id = track.id](const DownloadEntry& entry) { return entry.id == id; });
    const QString date = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    history.prepend(DownloadEntry{track.id, track.title, track.artist, date});
    if (history.size() > downloadHistoryLimit)
        history.resize(downloadHistoryLimit);
    setDownloads(history);
}

Downloads::ProgressReporter Downloads::progressReporter(TrackId id) {
    const QPointer<Downloads> self(this);
    const quint64 round = m_progressRounds.value(id);
    return [self, id, round](std::optional<double> fraction) {
        // The application object outlives this object, so the report can always be posted;
        // whether this object still exists is asked on the main thread only.
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

void Downloads::setProgress(TrackId id, std::optional<double> fraction) {
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

void Downloads::endProgress(qint64 id) {
    ++m_progressRounds[id];
    if (!m_downloadProgress.contains(id))
        return;
    QHash<TrackId, double> progress = m_downloadProgress;
    progress.remove(id);
    setDownloadProgress(progress);
}

QString Downloads::downloadHelp(qint64 id) const {
    QString text = m_preferences.t(QStringLiteral("drag.help.loading"));
    if (const auto percent = downloadPercent(id))
        text += QStringLiteral(" %1 %").arg(*percent);
    return text;
}

std::optional<int> Downloads::downloadPercent(TrackId id) const {
    const auto progress = m_downloadProgress.constFind(id);
    if (progress == m_downloadProgress.cend())
        return std::nullopt;
    return wholeHundredths(*progress);
}

QVariantList Downloads::activeDownloadsValue() const {
    return idList(m_activeDownloads);
}

QVariantList Downloads::completedDownloadsValue() const {
    return idList(m_completedDownloads);
}

QVariantMap Downloads::downloadProgressValue() const {
    return idMap(m_downloadProgress);
}

QVariantMap Downloads::downloadErrorsValue() const {
    return idMap(m_downloadErrors);
}

} // namespace aru
