#include "AudioDeviceHelper.h"

#include "AudioDeviceQuery.h"
#include "AudioPlayer.h"
#include "PulseAudioDeviceQuery.h"
#include "SettingsStore.h"

#include <algorithm>

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

QString uidSettingKey() {
    return u"aru.audio.device.uid"_s;
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

std::optional<AudioDevice> storedOutputDevice(const QList<AudioDevice>& devices,
                                              const SettingsStore& settings) {
    const std::optional<QString> uid = settings.string(uidSettingKey());
    if (!uid || uid->isEmpty())
        return std::nullopt;
    const auto found = std::find_if(devices.begin(), devices.end(),
                                    [&](const AudioDevice& device) { return device.uid == *uid; });
    return found == devices.end() ? std::nullopt : std::optional<AudioDevice>(*found);
}

void applyOutputDevice(const std::optional<AudioDevice>& device, SettingsStore& settings,
                       AudioDeviceQuery& query, AudioPlayer* player) {
    if (!device) {
        settings.remove(settingKey());
        settings.remove(uidSettingKey());
        if (player)
            player->setOutputDevice({});
        return;
    }
    settings.setInteger(settingKey(), device->id);
    settings.setString(uidSettingKey(), device->uid);
    query.setDefaultOutput(device->uid);
    if (player)
        player->setOutputDevice(device->uid.toUtf8());
}

void applyOutputDevice(const std::optional<AudioDevice>& device, SettingsStore& settings,
                       AudioPlayer* player) {
    PulseAudioDeviceQuery query;
    applyOutputDevice(device, settings, query, player);
}

} // namespace aru::AudioDeviceHelper
