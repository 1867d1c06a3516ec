#pragma once

#include "MediaBackend.h"
#include "PlaybackStartWatch.h"

#include <QObject>
#include <QTimer>

class QAudioOutput;
class QMediaPlayer;

namespace aru {

// A platform player made of QMediaPlayer and QAudioOutput. Needs the ffmpeg media backend
// (QT_MEDIA_BACKEND=ffmpeg before the application object exists): the GStreamer one cannot open
// http addresses.
class QtMediaBackend final : public QObject, public MediaBackend {
    Q_OBJECT

public:
    explicit QtMediaBackend(const QUrl& source);
    ~QtMediaBackend() override;

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

    const QUrl m_source;
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
