#include "PlaybackStartWatch.h"

namespace aru {

void PlaybackStartWatch::expectStartAt(double position) {
    if (m_started)
        return;
    m_start = position;
    m_waitingSince.reset();
}

bool PlaybackStartWatch::observe(Clock::time_point now, bool shouldAdvance, double position) {
    if (m_started)
        return false;
    if (position != m_start) {
        m_started = true;
        return false;
    }
    if (!shouldAdvance) {
        m_waitingSince.reset();
        return false;
    }
    if (!m_waitingSince) {
        m_waitingSince = now;
        return false;
    }
    if (now - *m_waitingSince < m_limit)
        return false;
    m_waitingSince.reset();
    return true;
}

} // namespace aru
