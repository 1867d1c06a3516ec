#pragma once

#include <QByteArray>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace aru {

// One platform media player holding one item, made for one stream address. The audio player
// creates a new one for every track and drops it when the track changes, so an implementation
// never has to reload anything. Every call and every callback happens on the main thread.
class MediaBackend {
public:
    // Makes a player that starts loading `source` at once; it plays only when told to.
    using Factory = std::function<std::unique_ptr<MediaBackend>(const QUrl& source)>;

    virtual ~MediaBackend() = default;

    virtual void play() = 0;
    virtual void pause() = 0;
    // Greater than 0 while playing.
    virtual double rate() const = 0;
    // Fire-and-forget: the position follows once the platform has moved.
    virtual void seek(double seconds) = 0;
    virtual double position() const = 0;
    // The item's length once the platform knows it as a finite number of seconds.
    virtual std::optional<double> duration() const = 0;
    virtual void setVolume(float volume) = 0;
    // The output device by its persistent identifier; empty means the system's default output.
    virtual void setOutputDevice(const QByteArray& deviceUid) = 0;

    // Calls `report` with the position every `interval` while the position advances, and once
    // when it jumps; replaces any earlier observer.
    virtual void setPositionObserver(std::chrono::milliseconds interval,
                                     std::function<void(double seconds)> report) = 0;
    virtual void removePositionObserver() = 0;
    // Called each time the item has played to its end; replaces any earlier handler. The handler
    // may destroy this object.
    virtual void setEndOfItemHandler(std::function<void()> handler) = 0;
    virtual void removeEndOfItemHandler() = 0;

protected:
    MediaBackend() = default;
    MediaBackend(const MediaBackend&) = delete;
    MediaBackend& operator=(const MediaBackend&) = delete;
};

} // namespace aru
