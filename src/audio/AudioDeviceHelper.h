#pragma once

#include "AudioDevice.h"

#include <QList>
#include <QString>

namespace aru {

class AudioDeviceQuery;
class AudioPlayer;
class SettingsStore;

// The audio devices that can play sound, and the user's choice among them.
namespace AudioDeviceHelper {

// The settings key of the chosen device's id; absent when the system output is used.
QString settingKey();

// Devices with at least one output and a persistent uid, sorted by name: Unicode scalar values
// of the canonically composed names, so capitals come first; equal names keep the system's
// order. A device without a name is called "Périphérique". Empty when the system cannot be
// asked. The first form asks the PulseAudio server of this session.
QList<AudioDevice> listOutputDevices();
QList<AudioDevice> listOutputDevices(AudioDeviceQuery& query);

// The stored choice, 0 when there is none or the stored value is no 32-bit device id.
quint32 storedOutputDeviceId(const SettingsStore& settings);

// 0 forgets the choice and leaves the system's default output as it is. Any other id is stored,
// made the system's default output, and `player` (when given) is moved to that device, so the
// preview follows the choice even where the audio server keeps running streams on their sink.
// Failures of the audio system are not reported: the choice stays stored.
void applyOutputDevice(quint32 id, SettingsStore& settings, AudioDeviceQuery& query,
                       AudioPlayer* player);
void applyOutputDevice(quint32 id, SettingsStore& settings, AudioPlayer* player);

} // namespace AudioDeviceHelper

} // namespace aru
