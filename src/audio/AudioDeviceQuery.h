#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace aru {

// What the audio system tells about its devices, in its own order and without any filtering,
// so that choosing, naming and sorting stay testable without an audio server.
class AudioDeviceQuery {
public:
    struct Device {
        quint32 id = 0;
        // Whether the device has at least one output stream.
        bool hasOutput = false;
        // Absent when the system reports none.
        std::optional<QString> uid;
        std::optional<QString> name;
    };

    virtual ~AudioDeviceQuery() = default;

    // None when the audio system cannot be asked.
    virtual std::optional<QList<Device>> devices() = 0;
    // Makes the device with this uid the system's default output; false when that failed. By
    // uid, not id: an id can name another device by the time it is used.
    virtual bool setDefaultOutput(const QString& uid) = 0;

protected:
    AudioDeviceQuery() = default;
    AudioDeviceQuery(const AudioDeviceQuery&) = delete;
    AudioDeviceQuery& operator=(const AudioDeviceQuery&) = delete;
};

} // namespace aru
