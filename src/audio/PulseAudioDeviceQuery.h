#pragma once

#include "AudioDeviceQuery.h"

#include <chrono>

namespace aru {

// The devices of the PulseAudio server (or PipeWire's PulseAudio service) of this session: each
// sink is a device with output, its index the id, its name the uid and its description the
// display name. Every call opens its own short connection and gives up after `timeout`; it never
// starts a server.
class PulseAudioDeviceQuery final : public AudioDeviceQuery {
public:
    static constexpr std::chrono::milliseconds defaultTimeout{2000};

    explicit PulseAudioDeviceQuery(std::chrono::milliseconds timeout = defaultTimeout);

    std::optional<QList<Device>> devices() override;
    bool setDefaultOutput(const QString& uid) override;

private:
    std::chrono::milliseconds m_timeout;
};

} // namespace aru
