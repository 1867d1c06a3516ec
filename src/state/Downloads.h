#pragma once

#include "DownloadEntry.h"
#include "Track.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUrl>
#include <QVariant>
#include <QtQmlIntegration>
#include <chrono>
#include <functional>
#include <optional>

namespace aru {

struct Credentials;
class Preferences;
class SettingsStore;

// Track downloads: the WAV into the download folder, the progress every row shows, failure
// messages that fade, and the history of finished downloads (newest first, stored).
class Downloads : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The downloads are AppState.downloads")

    Q_PROPERTY(QList<aru::DownloadEntry> downloads READ downloads NOTIFY downloadsChanged)
    // QML reads the sets as lists of ids and the maps keyed by the id's decimal text.
    Q_PROPERTY(QVariantList activeDownloads READ activeDownloadsValue NOTIFY activeDownloadsChanged)
    Q_PROPERTY(QVariantList completedDownloads READ completedDownloadsValue NOTIFY
                   completedDownloadsChanged)
    Q_PROPERTY(
        QVariantMap downloadProgress READ downloadProgressValue NOTIFY downloadProgressChanged)
    Q_PROPERTY(QVariantMap downloadErrors READ downloadErrorsValue NOTIFY downloadErrorsChanged)

public:
    // Receives a transfer's progress from any thread: absent while the size is unknown.
    using ProgressReporter = std::function<void(std::optional<double>)>;
    // How long a failed download's message stays in downloadErrors.
    static constexpr std::chrono::milliseconds defaultErrorLifetime{4000};
    static constexpr qsizetype downloadHistoryLimit = 200;

    // Restores the stored history and sweeps temporary files a killed run left in the folder.
    Downloads(SettingsStore& settings, const Credentials& credentials,
              const Preferences& preferences, QObject* parent = nullptr);

    const QList<DownloadEntry>& downloads() const { return m_downloads; }
    const QSet<TrackId>& activeDownloads() const { return m_activeDownloads; }
    const QSet<TrackId>& completedDownloads() const { return m_completedDownloads; }
    const QHash<TrackId, double>& downloadProgress() const { return m_downloadProgress; }
    const QHash<TrackId, QString>& downloadErrors() const { return m_downloadErrors; }

    // Downloads the track's WAV into the download folder under its suggested file name,
    // replacing a file of that name. Returns the saved file's URL; nothing when a download of
    // the track is already running (the first continues) or when it failed (the message then
    // sits in downloadErrors for the error lifetime).
    QCoro::Task<std::optional<QUrl>> downloadTrack(Track track);
    // Puts a fresh history entry for the track at the front, dropping its older one, and stores
    // the history.
    void recordDownload(const Track& track);
    // A callback that publishes the track's progress on the main thread. Callable from any
    // thread; does nothing once this object is gone or endProgress ended this round of reports.
    ProgressReporter progressReporter(TrackId id);
    // Publishes the fraction rounded down to hundredths; an absent fraction changes nothing.
    void setProgress(TrackId id, std::optional<double> fraction);
    // Removes the track's progress; reports still on their way from earlier reporters are
    // dropped, so a finished transfer never shows progress again.
    Q_INVOKABLE void endProgress(qint64 id);
    // "Downloading…", followed by the whole per-cent figure once a fraction is known.
    Q_INVOKABLE QString downloadHelp(qint64 id) const;
    // The whole per-cent figure of the track's published progress; none while none is known.
    std::optional<int> downloadPercent(TrackId id) const;

    // Shortens how long failure messages stay (tests).
    void setErrorLifetime(std::chrono::milliseconds lifetime) { m_errorLifetime = lifetime; }

signals:
    void downloadsChanged();
    void activeDownloadsChanged();
    void completedDownloadsChanged();
    void downloadProgressChanged();
    void downloadErrorsChanged();

private:
    void setDownloads(const QList<DownloadEntry>& downloads);
    void setActiveDownloads(const QSet<TrackId>& ids);
    void setCompletedDownloads(const QSet<TrackId>& ids);
    void setDownloadProgress(const QHash<TrackId, double>& progress);
    void setDownloadErrors(const QHash<TrackId, QString>& errors);
    // Logs the failure, shows its message for the error lifetime and ends the download.
    void failDownload(const Track& track, const QString& message);
    void finishDownload(TrackId id);
    QVariantList activeDownloadsValue() const;
    QVariantList completedDownloadsValue() const;
    QVariantMap downloadProgressValue() const;
    QVariantMap downloadErrorsValue() const;

    SettingsStore& m_settings;
    const Credentials& m_credentials;
    const Preferences& m_preferences;
    std::chrono::milliseconds m_errorLifetime = defaultErrorLifetime;

    QList<DownloadEntry> m_downloads;
    QSet<TrackId> m_activeDownloads;
    QSet<TrackId> m_completedDownloads;
    QHash<TrackId, double> m_downloadProgress;
    QHash<TrackId, QString> m_downloadErrors;
    // Per track, how many times its progress was ended: a reporter applies its values only
    // while the count it was created with is still current.
    QHash<TrackId, quint64> m_progressRounds;
};

} // namespace aru
