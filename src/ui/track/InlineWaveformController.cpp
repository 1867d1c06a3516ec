#include "InlineWaveformController.h"

#include "AppState.h"
#include "WaveformService.h"

namespace aru {

InlineWaveformController::InlineWaveformController(QObject* parent)
    : WaveformStripController(parent)
    , m_waveforms(WaveformService::shared()) {
    connect(&m_waveforms, &WaveformService::loadedTrackIDsChanged, this,
            &InlineWaveformController::waveformsLoaded);
}

bool InlineWaveformController::isCurrent() const {
    const AudioPlayer* audio = player();
    return audio && audio->currentTrack() && audio->currentTrack()->id == track().id;
}

bool InlineWaveformController::seeksPlayer() const {
    return isCurrent() && player()->duration() > 0;
}

void InlineWaveformController::pick(double fraction) {
    setPendingSeekPercent(fraction);
    emit pendingSeekPicked(fraction);
}

QString InlineWaveformController::idleDurationText() const {
    const auto& duration = track().duration;
    return duration && !duration->isEmpty() ? *duration : QStringLiteral("—");
}

void InlineWaveformController::setPendingSeekPercent(std::optional<double> fraction) {
    if (m_pendingSeekPercent == fraction)
        return;
    m_pendingSeekPercent = fraction;
    emit pendingSeekPercentChanged();
    refresh();
}

QVariant InlineWaveformController::pendingSeekPercentValue() const {
    return m_pendingSeekPercent ? QVariant(*m_pendingSeekPercent) : QVariant();
}

void InlineWaveformController::setPendingSeekPercentValue(const QVariant& value) {
    bool isNumber = false;
    const double fraction = value.toDouble(&isNumber);
    setPendingSeekPercent(isNumber && value.isValid() ? std::optional<double>(fraction)
                                                      : std::nullopt);
}

void InlineWaveformController::loadPeaks() {
    if (const auto cached = m_waveforms.cached(track().id)) {
        setPeaks(*cached);
        return;
    }
    setPeaks({});
    const Session* session = appState()->session();
    m_waveforms.enqueueBackgroundLoad(track().id, track().audioFile, session->userEmail(),
                                      session->userToken());
}

void InlineWaveformController::waveformsLoaded() {
    if (!hasPeaks() && m_waveforms.isLoaded(track().id)) {
        if (const auto cached = m_waveforms.cached(track().id))
            setPeaks(*cached);
    }
}

} // namespace aru
