#include "WaveformStripController.h"

#include "AppState.h"
#include "AudioPlayer.h"

#include <algorithm>
#include <cmath>

namespace aru {

double WaveformStripController::pointerFraction(qreal x, qreal width) {
    if (!(width > 0) || std::isnan(x))
        return 0;
    return std::clamp(x / width, 0.0, 1.0);
}

double WaveformStripController::followingProgress(std::optional<double> scrubValue,
                                                  double currentTime, double duration) {
    if (!(duration > 0))
        return 0;
    return scrubValue.value_or(currentTime) / duration;
}

WaveformStripController::WaveformStripController(QObject* parent)
    : QObject(parent) {}

void WaveformStripController::classBegin() {
    m_complete = false;
}

void WaveformStripController::componentComplete() {
    m_complete = true;
    reloadPeaks();
    refresh();
}

void WaveformStripController::reloadPeaks() {
    if (m_complete && m_hasTrack && m_state)
        loadPeaks();
}

void WaveformStripController::setTrack(const Track& track) {
    if (m_hasTrack && m_track == track)
        return;
    const bool otherTrack = !m_hasTrack || m_track.id != track.id;
    m_track = track;
    m_hasTrack = true;
    emit trackChanged();
    if (otherTrack) {
        setScrubValue(std::nullopt);
        reloadPeaks();
    }
    refresh();
}

AppState* WaveformStripController::appState() const {
    return m_state;
}

void WaveformStripController::setAppState(AppState* state) {
    if (m_state == state)
        return;
    if (AudioPlayer* old = player())
        disconnect(old, nullptr, this, nullptr);
    m_state = state;
    if (AudioPlayer* current = player()) {
        for (const auto changed : {&AudioPlayer::currentTrackChanged,
                                   &AudioPlayer::currentTimeChanged, &AudioPlayer::durationChanged})
            connect(current, changed, this, &WaveformStripController::refresh);
        // Another track playing ends a drag that would have sought this one.
        connect(current, &AudioPlayer::currentTrackChanged, this,
                [this] { setScrubValue(std::nullopt); });
    }
    emit appStateChanged();
    reloadPeaks();
    refresh();
}

AudioPlayer* WaveformStripController::player() const {
    return m_state ? m_state->playback()->audioPlayer() : nullptr;
}

void WaveformStripController::setPeaks(const Peaks& peaks) {
    if (m_peaks == peaks)
        return;
    m_peaks = peaks;
    emit peaksChanged();
}

qreal WaveformStripController::progress() const {
    const AudioPlayer* audio = player();
    if (!audio || !followsPlayer())
        return idleProgress();
    return followingProgress(m_scrubValue, audio->currentTime(), audio->duration());
}

QString WaveformStripController::positionText() const {
    const AudioPlayer* audio = player();
    if (!audio || !followsPlayer())
        return AudioPlayer::formatTime(0);
    return AudioPlayer::formatTime(m_scrubValue.value_or(audio->currentTime()));
}

QString WaveformStripController::durationText() const {
    const AudioPlayer* audio = player();
    if (!audio || !followsPlayer())
        return idleDurationText();
    return AudioPlayer::formatTime(audio->duration());
}

void WaveformStripController::dragTo(qreal x, qreal width) {
    const double fraction = pointerFraction(x, width);
    if (player() && seeksPlayer())
        setScrubValue(fraction * player()->duration());
    else
        pick(fraction);
}

void WaveformStripController::release(qreal x, qreal width) {
    const double fraction = pointerFraction(x, width);
    if (player() && seeksPlayer()) {
        player()->seek(fraction * player()->duration());
        setScrubValue(std::nullopt);
    } else {
        pick(fraction);
    }
}

void WaveformStripController::cancelDrag() {
    setScrubValue(std::nullopt);
}

void WaveformStripController::setScrubValue(std::optional<double> value) {
    if (m_scrubValue == value)
        return;
    m_scrubValue = value;
    refresh();
}

void WaveformStripController::refresh() {
    const qreal shownProgress = progress();
    QString position = positionText();
    QString duration = durationText();
    if (shownProgress == m_shownProgress && position == m_shownPosition &&
        duration == m_shownDuration)
        return;
    m_shownProgress = shownProgress;
    m_shownPosition = std::move(position);
    m_shownDuration = std::move(duration);
    emit shownChanged();
}

} // namespace aru
