#include "AudioPlayer.h"

#include <QPointer>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace aru {

AudioPlayer::AudioPlayer(MediaBackend::Factory makeBackend, QObject* parent)
    : QObject(parent)
    , m_makeBackend(std::move(makeBackend)) {}

AudioPlayer::~AudioPlayer() {
    releaseBackend();
}

AudioPlayer::Published AudioPlayer::published() const {
    return {m_isPlaying, m_currentTime, m_duration, m_currentTrack};
}

void AudioPlayer::notifyChanges(const Published& before) {
    if (before.currentTrack != m_currentTrack)
        emit currentTrackChanged();
    if (before.duration != m_duration)
        emit durationChanged();
    if (before.currentTime != m_currentTime)
        emit currentTimeChanged();
    if (before.isPlaying != m_isPlaying)
        emit isPlayingChanged();
}

void AudioPlayer::setVolume(float volume) {
    if (std::isnan(volume))
        return;
    volume = std::clamp(volume, 0.0f, 1.0f);
    if (m_backend)
        m_backend->setVolume(volume);
    if (volume == m_volume)
        return;
    m_volume = volume;
    emit volumeChanged();
}

void AudioPlayer::setOutputDevice(const QByteArray& deviceUid) {
    m_outputDevice = deviceUid;
    if (m_backend)
        m_backend->setOutputDevice(deviceUid);
}

void AudioPlayer::play(const Track& track, double startAtPercent, bool autoPlay) {
    const QUrl source = track.streamingURL();
    if (!source.isValid())
        return;
    const Published before = published();

    if (m_backend && m_currentTrack && m_currentTrack->id == track.id) {
        // A fraction asked for while the length is still unknown is dropped here: the pending
        // one, if any, still applies.
        if (startAtPercent > 0 && m_duration > 0)
            m_backend->seek(startAtPercent * m_duration);
        if (autoPlay) {
            m_backend->play();
            m_isPlaying = true;
        }
        notifyChanges(before);
        return;
    }

    std::unique_ptr<MediaBackend> backend = m_makeBackend ? m_makeBackend(source) : nullptr;
    if (!backend)
        return;
    releaseBackend();
    backend->setVolume(m_volume);
    if (!m_outputDevice.isEmpty())
        backend->setOutputDevice(m_outputDevice);

    m_currentTrack = track;
    m_backend = std::move(backend);
    m_currentTime = 0;
    m_duration = 0;
    m_pendingSeekPercent =
        startAtPercent > 0 ? std::optional<double>(startAtPercent) : std::nullopt;

    // The platform may outlive a callback's owner by a queued report, hence the weak hold.
    const QPointer<AudioPlayer> self(this);
    m_backend->setPositionObserver(tickInterval, [self](double seconds) {
        if (self)
            self->positionReported(seconds);
    });
    m_backend->setEndOfItemHandler([self] {
        if (self)
            self->itemEnded();
    });

    if (autoPlay)
        m_backend->play();
    m_isPlaying = autoPlay;
    notifyChanges(before);
}

void AudioPlayer::releaseBackend() {
    if (!m_backend)
        return;
    m_backend->removePositionObserver();
    m_backend->removeEndOfItemHandler();
    m_backend->pause();
    m_backend.reset();
}

void AudioPlayer::positionReported(double seconds) {
    if (!m_backend)
        return;
    const Published before = published();
    m_currentTime = seconds;
    if (const std::optional<double> length = m_backend->duration()) {
        m_duration = *length;
        if (m_pendingSeekPercent && m_duration > 0) {
            const double target = *m_pendingSeekPercent * m_duration;
            m_backend->seek(target);
            // The views jump before the platform has finished seeking.
            m_currentTime = target;
            m_pendingSeekPercent.reset();
        }
    }
    notifyChanges(before);
}

void AudioPlayer::itemEnded() {
    const Published before = published();
    m_currentTime = 0;
    m_isPlaying = false;
    // The track stays loaded, so playing it again starts from the beginning.
    if (m_backend)
        m_backend->seek(0);
    notifyChanges(before);
    // A copy: the callback usually plays another track, and may replace itself.
    if (const std::function<void()> callback = m_onTrackEnded)
        callback();
}

void AudioPlayer::seek(double seconds) {
    if (!m_backend)
        return;
    m_backend->seek(seconds);
    emit seeked(seconds);
}

void AudioPlayer::togglePlayPause() {
    if (!m_backend)
        return;
    const Published before = published();
    if (m_backend->rate() <= 0) {
        m_backend->play();
        m_isPlaying = true;
    } else {
        m_backend->pause();
        m_isPlaying = false;
    }
    notifyChanges(before);
}

void AudioPlayer::stop() {
    const Published before = published();
    releaseBackend();
    m_pendingSeekPercent.reset();
    m_currentTrack.reset();
    m_currentTime = 0;
    m_duration = 0;
    m_isPlaying = false;
    notifyChanges(before);
}

QString AudioPlayer::formatTime(double seconds) {
    // A position is never negative; "-1:-1" would be no clock at all.
    if (!std::isfinite(seconds) || seconds < 0)
        return u"0:00"_s;
    // Beyond this a conversion to an integer is undefined; no preview is that long.
    constexpr double limit = 9.0e15;
    const auto whole = static_cast<qint64>(std::min(seconds, limit));
    return QString::asprintf("%lld:%02lld", static_cast<long long>(whole / 60),
                             static_cast<long long>(whole % 60));
}

QVariant AudioPlayer::currentTrackValue() const {
    return m_currentTrack ? QVariant::fromValue(*m_currentTrack) : QVariant();
}

} // namespace aru
