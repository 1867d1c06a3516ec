#include "PulseAudioDeviceQuery.h"

#include <QByteArray>
#include <chrono>
#include <pulse/pulseaudio.h>

namespace aru {

namespace {

using Clock = std::chrono::steady_clock;

// One connection to the server, driven by its own main loop on the calling thread, with a
// deadline for everything done through it.
class PulseConnection {
public:
    explicit PulseConnection(std::chrono::milliseconds timeout)
        : m_deadline(Clock::now() + timeout)
        , m_loop(pa_mainloop_new()) {
        if (!m_loop)
            return;
        m_context = pa_context_new(pa_mainloop_get_api(m_loop), "ARU Sync");
        // No autospawn: listing devices must never start an audio server.
        if (!m_context ||
            pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return;
        m_ready = runUntil([this] { return pa_context_get_state(m_context) == PA_CONTEXT_READY; });
    }

    ~PulseConnection() {
        if (m_context) {
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
        if (m_loop)
            pa_mainloop_free(m_loop);
    }

    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    bool isReady() const { return m_ready; }
    pa_context* context() const { return m_context; }

    // Runs `operation` (which the connection then owns) until it is done; false when it failed,
    // the connection broke or the deadline passed.
    bool complete(pa_operation* operation) {
        if (!operation)
            return false;
        const bool done = runUntil(
            [operation] { return pa_operation_get_state(operation) == PA_OPERATION_DONE; });
        if (!done)
            pa_operation_cancel(operation);
        pa_operation_unref(operation);
        return done;
    }

private:
    template <typename Done> bool runUntil(Done done) {
        while (!done()) {
            const pa_context_state_t state = pa_context_get_state(m_context);
            if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED)
                return false;
            const auto left =
                std::chrono::duration_cast<std::chrono::microseconds>(m_deadline - Clock::now());
            if (left.count() <= 0)
                return false;
            if (pa_mainloop_prepare(m_loop, static_cast<int>(left.count())) < 0 ||
                pa_mainloop_poll(m_loop) < 0 || pa_mainloop_dispatch(m_loop) < 0)
                return false;
        }
        return true;
    }

    Clock::time_point m_deadline;
    pa_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    bool m_ready = false;
};

std::optional<QString> optionalText(const char* utf8) {
    if (!utf8 || !*utf8)
        return std::nullopt;
    return QString::fromUtf8(utf8);
}

struct SinkList {
    QList<AudioDeviceQuery::Device> devices;
    bool failed = false;
};

void collectSink(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
    auto* list = static_cast<SinkList*>(userdata);
    if (eol < 0) {
        list->failed = true;
        return;
    }
    if (eol > 0 || !info)
        return;
    list->devices.append(
        {info->index, true, optionalText(info->name), optionalText(info->description)});
}

void readSuccess(pa_context*, int success, void* userdata) {
    *static_cast<bool*>(userdata) = success != 0;
}

} // namespace

PulseAudioDeviceQuery::PulseAudioDeviceQuery(std::chrono::milliseconds timeout)
    : m_timeout(timeout) {}

std::optional<QList<AudioDeviceQuery::Device>> PulseAudioDeviceQuery::devices() {
    PulseConnection connection(m_timeout);
    if (!connection.isReady())
        return std::nullopt;
    SinkList list;
    if (!connection.complete(
            pa_context_get_sink_info_list(connection.context(), collectSink, &list)) ||
        list.failed)
        return std::nullopt;
    return list.devices;
}

bool PulseAudioDeviceQuery::setDefaultOutput(const QString& uid) {
    PulseConnection connection(m_timeout);
    if (uid.isEmpty() || !connection.isReady())
        return false;
    // The server names its default sink, and the name is the device's uid.
    const QByteArray name = uid.toUtf8();
    bool succeeded = false;
    return connection.complete(pa_context_set_default_sink(connection.context(), name.constData(),
                                                           readSuccess, &succeeded)) &&
           succeeded;
}

} // namespace aru
