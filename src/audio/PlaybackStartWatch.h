#pragma once

#include <chrono>
#include <optional>

namespace aru {

// Tells when a freshly opened stream that should be playing never starts. Qt 6.4's ffmpeg player
// now and then opens a stream whose sound does not begin: it says it plays and knows the length,
// and its position stays where it was opened. Waiting does not help; reopening the item does.
//
// Only the start is watched. Once the clock has moved, a standstill is a stalled network read,
// and reopening then would block the main thread until that read gives up.
class PlaybackStartWatch {
public:
    using Clock = std::chrono::steady_clock;

    explicit PlaybackStartWatch(std::chrono::milliseconds limit)
        : m_limit(limit) {}

    // Waits for the clock to leave `position`, as after opening the item or a seek before the
    // sound started. Does nothing once it has started.
    void expectStartAt(double position);

    // One look at the player. `shouldAdvance` is false while it is paused, loading or buffering;
    // only time spent where it should advance counts. True once it has stood at the start for
    // the whole limit; the watch then waits afresh.
    bool observe(Clock::time_point now, bool shouldAdvance, double position);

    bool started() const { return m_started; }

private:
    const std::chrono::milliseconds m_limit;
    double m_start = 0;
    bool m_started = false;
    std::optional<Clock::time_point> m_waitingSince;
};

} // namespace aru
