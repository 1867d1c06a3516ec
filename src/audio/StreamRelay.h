#pragma once

#include <QMutex>
#include <QThread>
#include <QUrl>
#include <chrono>

namespace aru {

class StreamRelayWorker;

// Stands between Qt's media player and the server a preview streams from. Qt 6.4's ffmpeg player
// opens an http stream on the calling thread, joins its reading thread whenever the item changes,
// and sets no network timeout: a server that stops answering would freeze the window on play, or
// on the next track change when it falls silent in the middle of a stream. The player reads from
// this relay on 127.0.0.1 instead. The relay works on a thread of its own, gives up on a server
// that stays silent, and ends a stream's connections on request, which releases the player's
// reading thread at once.
//
// Each request is passed on with its Range header; the answer keeps the server's status and the
// headers a player needs to seek (length, range, type).
class StreamRelay {
public:
    // A server silent for this long, before answering or during the body, ends the request.
    static constexpr std::chrono::milliseconds defaultSilenceLimit{8000};

    explicit StreamRelay(std::chrono::milliseconds silenceLimit = defaultSilenceLimit);
    ~StreamRelay();
    StreamRelay(const StreamRelay&) = delete;
    StreamRelay& operator=(const StreamRelay&) = delete;

    // The local address that relays `upstream`, or an invalid URL when the relay cannot listen
    // (the caller then opens `upstream` itself). Starts the relay's thread on first use.
    QUrl open(const QUrl& upstream);
    // Ends every connection of a stream `open` gave, and forgets it; returns once they are
    // closed. Any other address is ignored.
    void close(const QUrl& local);

private:
    bool ensureStarted();

    const std::chrono::milliseconds m_silenceLimit;
    QMutex m_startLock;
    QThread m_thread;
    StreamRelayWorker* m_worker = nullptr;
    quint16 m_port = 0;
};

} // namespace aru
