#pragma once

#include "AudioDevice.h"

#include <QList>
#include <QString>
#include <optional>

namespace aru {

class AudioDeviceQuery;
class AudioPlayer;
class SettingsStore;

// The audio devices that can play sound, and the user's choice among them.
namespace AudioDeviceHelper {

// The settings keys of the chosen device: its id, and beside it its uid, which alone says whether
// a listed device is the one chosen. An id does not: the audio server hands out ids in the order
// devices appear, starting at 0, and hands them out afresh after a restart or a replug. Both
// absent when the system output is used.
QString settingKey();
QString uidSettingKey();

// Devices with at least one output and a persistent uid, sorted by name: Unicode scalar values
// of the canonically composed names, so capitals come first; equal names keep the system's
// order. A device without a name is called "Périphérique". Empty when the system cannot be
// asked. The first form asks the PulseAudio server of this session.
QList<AudioDevice> listOutputDevices();
QList<AudioDevice> listOutputDevices(AudioDeviceQuery& query);

// The device of `devices` that the user chose, found by its stored uid. None when the system
// output is chosen, when the choice was stored without a uid, or when that device is not among
// `devices` (unplugged, or its server is gone).
std::optional<AudioDevice> storedOutputDevice(const QList<AudioDevice>& devices,
                                              const SettingsStore& settings);

// None forgets the choice and leaves the system's default output as it is. A device is stored
// (its id and uid), made the system's default output, and `player` (when given) is moved to it,
// so the preview follows the choice even where the audio server keeps running streams on their
// sink. Failures of the audio system are not reported: the choice stays stored.
void applyOutputDevice(const std::optional<AudioDevice>& device, SettingsStore& settings,
                       AudioDeviceQuery& query, AudioPlayer* player);
void applyOutputDevice(const std::optional<AudioDevice>& device, SettingsStore& settings,
                       AudioPlayer* player);

} // namespace AudioDeviceHelper

} // namespace aru
