#pragma once

#include <QHashFunctions>
#include <QMetaType>
#include <QString>
#include <QtQmlIntegration>

namespace aru {

// An audio device that can play sound, as the output picker lists it. `id` is only valid in
// this session of the audio system and while the device is connected; `uid` survives both.
class AudioDevice {
    Q_GADGET
    QML_VALUE_TYPE(audioDevice)
    Q_PROPERTY(quint32 id MEMBER id CONSTANT)
    Q_PROPERTY(QString uid MEMBER uid CONSTANT)
    Q_PROPERTY(QString name MEMBER name CONSTANT)

public:
    quint32 id = 0;
    QString uid;
    QString name;

    friend bool operator==(const AudioDevice&, const AudioDevice&) = default;
};

inline size_t qHash(const AudioDevice& device, size_t seed = 0) noexcept {
    return qHashMulti(seed, device.id, device.uid, device.name);
}

} // namespace aru

Q_DECLARE_METATYPE(aru::AudioDevice)
