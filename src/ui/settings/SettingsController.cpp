#include "SettingsController.h"

#include "AppLanguage.h"
#include "AppState.h"
#include "AudioDeviceHelper.h"

#include <QDesktopServices>
#include <QDir>
#include <QJSEngine>
#include <QVariantMap>

namespace aru {

SettingsController::SettingsController(QObject* parent)
    : QObject(parent) {
    QJSEngine::setObjectOwnership(&m_outputChoices, QJSEngine::CppOwnership);
    m_outputChoices.setStringList({QString()});
}

void SettingsController::setAppState(AppState* state) {
    if (m_state == state)
        return;
    if (m_state)
        disconnect(m_state->preferences(), nullptr, this, nullptr);
    m_state = state;
    if (m_state) {
        connect(m_state->preferences(), &Preferences::downloadFolderChanged, this,
                &SettingsController::folderDisplayChanged);
        connect(m_state->preferences(), &Preferences::languageChanged, this,
                &SettingsController::relabelSystemOutput);
    }
    emit appStateChanged();
    emit folderDisplayChanged();
    relabelSystemOutput();
}

QString SettingsController::systemOutputName() const {
    return m_state ? m_state->preferences()->t(QStringLiteral("settings.audio.systemDefault"))
                   : QString();
}

void SettingsController::relabelSystemOutput() {
    m_outputChoices.setData(m_outputChoices.index(0), systemOutputName());
}

void SettingsController::selectOutput(int index) {
    if (index == m_selectedOutput || index < 0 || index > m_devices.size() || !m_state)
        return;
    m_selectedOutput = index;
    emit selectedOutputChanged();
    const std::optional<AudioDevice> device =
        index == 0 ? std::nullopt : std::optional<AudioDevice>(m_devices[index - 1]);
    AudioDeviceHelper::applyOutputDevice(device, m_state->settings(),
                                         m_state->playback()->audioPlayer());
}

QString SettingsController::folderDisplay() const {
    return m_state ? m_state->preferences()->downloadFolder().toLocalFile() : QString();
}

QVariantList SettingsController::languages() {
    QVariantList list;
    for (const AppLanguage language : AppLanguages::all)
        list.append(QVariantMap{{QStringLiteral("code"), AppLanguages::rawValue(language)},
                                {QStringLiteral("name"), AppLanguages::displayName(language)}});
    return list;
}

void SettingsController::load() {
    if (!m_state)
        return;
    m_devices = AudioDeviceHelper::listOutputDevices();
    QStringList names{systemOutputName()};
    for (const AudioDevice& device : m_devices)
        names.append(device.name);
    m_outputChoices.setStringList(names);
    const std::optional<AudioDevice> chosen =
        AudioDeviceHelper::storedOutputDevice(m_devices, m_state->settings());
    if (chosen)
        selectOutput(int(m_devices.indexOf(*chosen)) + 1);
}

void SettingsController::chooseFolder(const QUrl& folder) {
    if (m_state && folder.isLocalFile())
        m_state->preferences()->setDownloadFolder(folder);
}

void SettingsController::openFolder() {
    if (!m_state)
        return;
    const QString path = folderDisplay();
    // Neither failure is reported: the file manager shows what there is.
    QDir().mkpath(path);
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace aru
