#include "QtMediaBackend.h"

#include "StreamRelay.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QDebug>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <algorithm>
#include <cmath>

namespace aru {

namespace {

QUrl relayedSource(const QUrl& source, StreamRelay* relay) {
    const bool http =
        source.scheme() == QLatin1String("http") || source.scheme() == QLatin1String("https");
    const QUrl local = relay && http ? relay->open(source) : QUrl();
    return local.isValid() ? local : source;
}

} // namespace

QtMediaBackend::QtMediaBackend(const QUrl& source, std::shared_ptr<StreamRelay> relay)
    : m_source(source)
    , m_relay(std::move(relay))
    , m_playerSource(relayedSource(source, m_relay.get()))
    , m_player(new QMediaPlayer(this))
    , m_output(new QAudioOutput(this)) {
    m_player->setAudioOutput(m_output);
    m_ticks.setTimerType(Qt::PreciseTimer);
    connect(&m_ticks, &QTimer::timeout, this, &QtMediaBackend::reportPosition);
    m_startChecks.setInterval(500);
    connect(&m_startChecks, &QTimer::timeout, this, &QtMediaBackend::reopenIfNotStarted);
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, &QtMediaBackend::updateTicking);
    // A jump while the clock stands still (a seek while paused) is reported at once, as the
    // views would otherwise show the old place until playback resumes. Queued, and so are the
    // ends of items: the receiver may destroy this object, which QMediaPlayer does not survive
    // from inside its own signals.
    connect(
        m_player, &QMediaPlayer::positionChanged, this,
        [this] {
            if (!m_ticks.isActive() && m_player->playbackState() == QMediaPlayer::PausedState)
                reportPosition();
        },
        Qt::QueuedConnection);
    connect(
        m_player, &QMediaPlayer::mediaStatusChanged, this,
        [this](QMediaPlayer::MediaStatus status) {
            if (status != QMediaPlayer::EndOfMedia)
                return;
            m_ended = true;
            m_restartAt = 0;
            // A copy: the handler usually destroys this object.
            if (const std::function<void()> handler = m_endOfItem)
                handler();
        },
        Qt::QueuedConnection);
    m_player->setSource(m_playerSource);
}

QtMediaBackend::~QtMediaBackend() {
    m_player->disconnect(this);
    // Ending the relayed connections first lets the player's reading thread finish at once, even
    // when the server has fallen silent; stopping would otherwise wait for it.
    if (m_relay)
        m_relay->close(m_playerSource);
    m_player->stop();
}

MediaBackend::Factory QtMediaBackend::factory() {
    auto relay = std::make_shared<StreamRelay>();
    return [relay](const QUrl& source) -> std::unique_ptr<MediaBackend> {
        // Qt 6.4's ffmpeg player writes its sound into a device that does not exist when there
        // is no output at all (no sound server), and the process dies: nothing plays instead.
        if (QMediaDevices::audioOutputs().isEmpty()) {
            qWarning("No audio output: the preview cannot play");
            return nullptr;
        }
        return std::make_unique<QtMediaBackend>(source, relay);
    };
}

void QtMediaBackend::play() {
    if (m_ended) {
        m_ended = false;
        reload();
        if (m_restartAt > 0)
            seek(m_restartAt);
    }
    m_player->play();
}

void QtMediaBackend::pause() {
    m_player->pause();
}

double QtMediaBackend::rate() const {
    return m_player->playbackState() == QMediaPlayer::PlayingState ? m_player->playbackRate() : 0;
}

void QtMediaBackend::seek(double seconds) {
    // Converting a value outside qint64 to an integer is undefined.
    if (!std::isfinite(seconds))
        return;
    if (m_ended) {
        m_restartAt = seconds;
        QTimer::singleShot(0, this, &QtMediaBackend::reportPosition);
        return;
    }
    constexpr double maxMs = 9.0e15;
    const auto ms = static_cast<qint64>(std::llround(std::clamp(seconds * 1000, 0.0, maxMs)));
    m_startWatch.expectStartAt(ms / 1000.0);
    m_player->setPosition(ms);
}

double QtMediaBackend::position() const {
    if (m_ended)
        return m_restartAt;
    return m_player->position() / 1000.0;
}

std::optional<double> QtMediaBackend::duration() const {
    // QMediaPlayer says 0 while the length is unknown, and for endless streams.
    const qint64 ms = m_player->duration();
    if (ms <= 0)
        return std::nullopt;
    return ms / 1000.0;
}

void QtMediaBackend::setVolume(float volume) {
    m_output->setVolume(volume);
}

void QtMediaBackend::setOutputDevice(const QByteArray& deviceUid) {
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (!deviceUid.isEmpty()) {
        const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
        const auto found = std::find_if(outputs.begin(), outputs.end(),
                                        [&](const QAudioDevice& d) { return d.id() == deviceUid; });
        if (found != outputs.end())
            device = *found;
    }
    // Setting the same device again would reopen the stream and cut the sound.
    if (device.id() != m_output->device().id())
        m_output->setDevice(device);
}

void QtMediaBackend::setPositionObserver(std::chrono::milliseconds interval,
                                         std::function<void(double)> report) {
    m_report = std::move(report);
    m_ticks.setInterval(interval);
    updateTicking();
}

void QtMediaBackend::removePositionObserver() {
    m_report = nullptr;
    m_ticks.stop();
}

void QtMediaBackend::setEndOfItemHandler(std::function<void()> handler) {
    m_endOfItem = std::move(handler);
}

void QtMediaBackend::removeEndOfItemHandler() {
    m_endOfItem = nullptr;
}

void QtMediaBackend::updateTicking() {
    const bool playing = m_player->playbackState() == QMediaPlayer::PlayingState;
    const bool awaitingStart = playing && !m_startWatch.started();
    if (awaitingStart && !m_startChecks.isActive())
        m_startChecks.start();
    else if (!awaitingStart)
        m_startChecks.stop();
    const bool advancing = m_report && playing;
    if (advancing && !m_ticks.isActive())
        m_ticks.start();
    else if (!advancing)
        m_ticks.stop();
}

void QtMediaBackend::reportPosition() {
    if (const std::function<void(double)> report = m_report)
        report(position());
}

void QtMediaBackend::reopenIfNotStarted() {
    constexpr int maxReopenings = 3;
    const QMediaPlayer::MediaStatus status = m_player->mediaStatus();
    const bool shouldAdvance =
        !m_ended && m_player->playbackState() == QMediaPlayer::PlayingState &&
        (status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia);
    const qint64 at = m_player->position();
    const bool stuck =
        m_startWatch.observe(PlaybackStartWatch::Clock::now(), shouldAdvance, at / 1000.0);
    if (m_startWatch.started())
        m_startChecks.stop();
    if (!stuck || m_reopenings >= maxReopenings)
        return;
    ++m_reopenings;
    qWarning().noquote() << QStringLiteral("[Player] The sound did not start at %1 s; reopening %2")
                                .arg(at / 1000.0)
                                .arg(m_source.toDisplayString());
    reload();
    m_player->setPosition(at);
    m_player->play();
}

void QtMediaBackend::reload() {
    // Clearing first: setting the same address again would keep the old load.
    m_player->setSource(QUrl());
    m_player->setSource(m_playerSource);
}

} // namespace aru
