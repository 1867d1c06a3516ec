#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>

namespace aru {

class AppState;
class AudioPlayer;
class Playback;

// The app as a media player on the session bus (MPRIS), so the keyboard's media keys and the
// desktop's media panel drive the preview while another window has the focus. It speaks for the
// state's player and playback order, and tells the bus of every change.
class MprisService : public QObject {
    Q_OBJECT

public:
    static constexpr const char* serviceName = "org.mpris.MediaPlayer2.arusync";
    static constexpr const char* objectPath = "/org/mpris/MediaPlayer2";

    struct Hooks {
        // Brings the window to the front.
        std::function<void()> raise;
        std::function<void()> quit;
        // The cached cover file of an address; empty when there is none on disk.
        std::function<QString(const QUrl&)> coverFile;
    };

    // Registers on `bus`; none, after one line on standard error, when the bus cannot be reached
    // or the name is taken (the app runs on without media controls).
    static std::unique_ptr<MprisService> start(AppState& state, QDBusConnection bus, Hooks hooks);
    ~MprisService() override;

    // The player interface's properties, as the bus reads them.
    QString playbackStatus() const;
    QVariantMap metadata() const;
    qint64 positionMicroseconds() const;
    double volume() const;
    void setVolume(double volume);
    bool canGoNext() const;
    bool canGoPrevious() const;
    bool canPlay() const;
    bool canPause() const;
    bool canSeek() const;

    // The player interface's methods.
    void play();
    void pause();
    void playPause();
    void stop();
    void next();
    void previous();
    void seek(qint64 offsetMicroseconds);
    void setPosition(const QString& trackPath, qint64 positionMicroseconds);
    void raise();
    void quit();

signals:
    void seeked(qint64 positionMicroseconds);

private:
    MprisService(AppState& state, QDBusConnection bus, Hooks hooks);
    // Sends PropertiesChanged for whatever differs from what the bus was last told.
    void publishChanges();
    QVariantMap playerProperties() const;

    AppState& m_state;
    AudioPlayer& m_player;
    Playback& m_playback;
    QDBusConnection m_bus;
    Hooks m_hooks;
    QVariantMap m_published;
};

} // namespace aru
