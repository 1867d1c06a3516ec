#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace aru::server {

// Set once when the server shuts down. Injected delays wait on it so that a long delay never holds
// up a SIGTERM.
class StopFlag {
public:
    void raise();
    bool raised() const;
    // Waits for the duration; returns false when the flag was raised first.
    bool sleepFor(std::chrono::milliseconds duration);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_raised = false;
};

} // namespace aru::server
