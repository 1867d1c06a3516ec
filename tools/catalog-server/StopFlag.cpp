#include "StopFlag.h"

namespace aru::server {

void StopFlag::raise() {
    {
        std::lock_guard lock(m_mutex);
        m_raised = true;
    }
    m_changed.notify_all();
}

bool StopFlag::raised() const {
    std::lock_guard lock(m_mutex);
    return m_raised;
}

bool StopFlag::sleepFor(std::chrono::milliseconds duration) {
    std::unique_lock lock(m_mutex);
    return !m_changed.wait_for(lock, duration, [this] { return m_raised; });
}

} // namespace aru::server
