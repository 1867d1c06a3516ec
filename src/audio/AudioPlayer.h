#pragma once

#include "MediaBackend.h"
#include "Track.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQmlIntegration>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace aru {

// Previews one catalogue track at a time by streaming it from the catalogue server, and
// publishes what it does for every view that shows playback. Knows nothing of track lists: the
// application state picks the next track when `onTrackEnded` fires.
//
// A new platform player is made for every new track and dropped with it; playing the loaded
// track again re-uses its player. Everything happens on the main thread.
class AudioPlayer : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The player is AppState.playback.audioPlayer")

    // True once this object has told the platform to play; false after pause, stop and end of
    // track. The platform's own stalls are not reflected.
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(double currentTime READ currentTime NOTIFY currentTimeChanged)
    // 0 while unknown.
    Q_PROPERTY(double duration READ duration NOTIFY durationChanged)
    Q_PROPERTY(float volume READ volume WRITE setVolume NOTIFY volumeChanged)
    // Undefined in QML when nothing is loaded.
    Q_PROPERTY(QVariant currentTrack READ currentTrackValue NOTIFY currentTrackChanged)

public:
    static constexpr std::chrono::milliseconds tickInterval{500};
    static constexpr float defaultVolume = 0.8f;

    // Makes a platform player for each new track with `makeBackend`.
    explicit AudioPlayer(MediaBackend::Factory makeBackend, QObject* parent = nullptr);
    ~AudioPlayer() override;

    bool isPlaying() const { return m_isPlaying; }
    double currentTime() const { return m_currentTime; }
    double duration() const { return m_duration; }
    float volume() const { return m_volume; }
    // Kept within 0 to 1; applied to the present platform player and to every later one.
    void setVolume(float volume);
    const std::optional<Track>& currentTrack() const { return m_currentTrack; }

    // Loads `track` (or re-uses it when it is the loaded one) and starts at `startAtPercent` of
    // its length, a fraction from 0 to 1; for a new track the start waits for the first position
    // report that knows the length. Does nothing when the track has no stream address.
    Q_INVOKABLE void play(const aru::Track& track, double startAtPercent = 0, bool autoPlay = true);
    // Moves the platform player to `seconds`; `currentTime` follows with the next report.
    Q_INVOKABLE void seek(double seconds);
    Q_INVOKABLE void togglePlayPause();
    // Unloads the track; the volume stays.
    Q_INVOKABLE void stop();

    // "m:ss" with minutes not wrapped into hours; "0:00" for a value that is not finite.
    static QString formatTime(double seconds);
    Q_INVOKABLE QString formatTimeText(double seconds) const { return formatTime(seconds); }

    // Called once each time the loaded track has played to its end, after the player has gone
    // back to its start and paused.
    void setOnTrackEnded(std::function<void()> callback) { m_onTrackEnded = std::move(callback); }
    // The output device by its persistent identifier; empty follows the system's default
    // output. Applied to the present platform player and to every later one.
    void setOutputDevice(const QByteArray& deviceUid);
    QByteArray outputDevice() const { return m_outputDevice; }

signals:
    void isPlayingChanged();
    void currentTimeChanged();
    void durationChanged();
    void volumeChanged();
    void currentTrackChanged();
    // The loaded track was moved to `seconds` on request; currentTime follows with the next report.
    void seeked(double seconds);

private:
    // The published values before a change, so that observers hear of each real change once
    // every field is consistent again.
    struct Published {
        bool isPlaying;
        double currentTime;
        double duration;
        std::optional<Track> currentTrack;
    };
    Published published() const;
    void notifyChanges(const Published& before);

    void releaseBackend();
    void positionReported(double seconds);
    void itemEnded();
    QVariant currentTrackValue() const;

    MediaBackend::Factory m_makeBackend;
    std::unique_ptr<MediaBackend> m_backend;
    std::function<void()> m_onTrackEnded;
    std::optional<double> m_pendingSeekPercent;
    QByteArray m_outputDevice;

    bool m_isPlaying = false;
    double m_currentTime = 0;
    double m_duration = 0;
    float m_volume = defaultVolume;
    std::optional<Track> m_currentTrack;
};

} // namespace aru
