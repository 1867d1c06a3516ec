#include "AudioDeviceHelper.h"

#include "AudioDeviceQuery.h"
#include "AudioPlayer.h"
#include "PulseAudioDeviceQuery.h"
#include "SettingsStore.h"

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace aru::AudioDeviceHelper {

namespace {

struct SortableDevice {
    AudioDevice device;
    QList<uint> scalars;
};

} // namespace

QString settingKey() {
    return u"aru.audio.device.id"_s;
}

QList<AudioDevice> listOutputDevices() {
    PulseAudioDeviceQuery query;
    return listOutputDevices(query);
}

QList<AudioDevice> listOutputDevices(AudioDeviceQuery& query) {
    const std::optional<QList<AudioDeviceQuery::Device>> found = query.devices();
    if (!found)
        return {};
    QList<SortableDevice> devices;
    for (const AudioDeviceQuery::Device& entry : *found) {
        if (!entry.hasOutput || !entry.uid)
            continue;
        AudioDevice device{entry.id, *entry.uid, entry.name.value_or(u"Périphérique"_s)};
        // UTF-16 order would put U+10000 and above before U+E000…U+FFFF.
        QList<uint> scalars = device.name.normalized(QString::NormalizationForm_C).toUcs4();
        devices.append({std::move(device), std::move(scalars)});
    }
    std::stable_sort(devices.begin(), devices.end(),
                     [](const SortableDevice& a, const SortableDevice& b) {
                         return std::lexicographical_compare(a.scalars.begin(), a.scalars.end(),
                                                             b.scalars.begin(), b.scalars.end());
                     });
    QList<AudioDevice> sorted;
    sorted.reserve(devices.size());
    for (SortableDevice& entry : devices)
        sorted.append(std::move(entry.device));
    return sorted;
}

quint32 storedOutputDeviceId(const SettingsStore& settings) {
    const std::optional<qint64> stored = settings.integer(settingKey());
    if (!stored || *stored <= 0 || *stored > std::numeric_limits<quint32>::max())
        return 0;
    return static_cast<quint32>(*stored);
}

void applyOutputDevice(quint32 id, SettingsStore& settings, AudioDeviceQuery& query,
                       AudioPlayer* player) {
    if (id == 0) {
        settings.remove(settingKey());
        if (player)
            player->setOutputDevice({});
        return;
    }
    settings.setInteger(settingKey(), id);
    query.setDefaultOutput(id);
    if (!player)
        return;
    // A stale id (the device is gone) matches nothing, and the player stays where it is.
    for (const AudioDevice& device : listOutputDevices(query)) {
        if (device.id == id) {
            player->setOutputDevice(device.uid.toUtf8());
            return;
        }
    }
}

void applyOutputDevice(quint32 id, SettingsStore& settings, AudioPlayer* player) {
    PulseAudioDeviceQuery query;
    applyOutputDevice(id, settings, query, player);
}

} // namespace aru::AudioDeviceHelper
