#pragma once

#include "MediaBackend.h"
#include "PlaybackStartWatch.h"

#include <QObject>
#include <QTimer>
#include <memory>

class QAudioOutput;
class QMediaPlayer;

namespace aru {

class StreamRelay;

// A platform player made of QMediaPlayer and QAudioOutput. Needs the ffmpeg media backend
// (QT_MEDIA_BACKEND=ffmpeg before the application object exists): the GStreamer one cannot open
// http addresses. http streams go through a StreamRelay, so a silent server never blocks the
// thread the player lives on.
class QtMediaBackend final : public QObject, public MediaBackend {
    Q_OBJECT

public:
    // `relay` may be null: the player then opens `source` itself.
    QtMediaBackend(const QUrl& source, std::shared_ptr<StreamRelay> relay);
    ~QtMediaBackend() override;

    // Players that share one relay, which lives as long as the factory or any of its players.
    static MediaBackend::Factory factory();

    void play() override;
    void pause() override;
    double rate() const override;
    void seek(double seconds) override;
    double position() const override;
    std::optional<double> duration() const override;
    void setVolume(float volume) override;
    void setOutputDevice(const QByteArray& deviceUid) override;
    void setPositionObserver(std::chrono::milliseconds interval,
                             std::function<void(double seconds)> report) override;
    void removePositionObserver() override;
    void setEndOfItemHandler(std::function<void()> handler) override;
    void removeEndOfItemHandler() override;

private:
    void updateTicking();
    void reportPosition();
    void reopenIfNotStarted();
    // A fresh load of the item, stopped at its start.
    void reload();

    const QUrl m_source;
    const std::shared_ptr<StreamRelay> m_relay;
    // What the platform player opens: the relay's address for `m_source`, or `m_source`.
    const QUrl m_playerSource;
    QMediaPlayer* m_player;
    QAudioOutput* m_output;
    QTimer m_ticks;
    std::function<void(double)> m_report;
    std::function<void()> m_endOfItem;
    // Once the item has ended, Qt 6.4's ffmpeg player sometimes reports a second end right
    // after being rewound and played again; starting over from a fresh load never does. Seeks
    // made meanwhile are kept for that load.
    bool m_ended = false;
    double m_restartAt = 0;
    // A stream whose sound never started is reopened where it stands, a few times per track:
    // an item that never starts is left as it is rather than reloaded for ever.
    QTimer m_startChecks;
    PlaybackStartWatch m_startWatch{std::chrono::seconds(3)};
    int m_reopenings = 0;
};

} // namespace aru
