#include "MprisService.h"

#include "AppState.h"
#include "MprisMetadata.h"
#include "MprisPlayerAdaptor.h"
#include "MprisRootAdaptor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <cstdio>

namespace aru {

namespace {

constexpr double microseconds = 1e6;
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

} // namespace

std::unique_ptr<MprisService> MprisService::start(AppState& state, QDBusConnection bus,
                                                  Hooks hooks) {
    const auto unavailable = [](const QString& why) {
        std::fprintf(stderr, "Media controls are off: %s\n", qPrintable(why));
        return nullptr;
    };
    if (!bus.isConnected())
        return unavailable(QStringLiteral("no session bus"));
    std::unique_ptr<MprisService> service(new MprisService(state, bus, std::move(hooks)));
    if (!bus.registerObject(QString::fromLatin1(objectPath), service.get()))
        return unavailable(bus.lastError().message());
    if (!bus.registerService(QString::fromLatin1(serviceName)))
        return unavailable(bus.lastError().message());
    return service;
}

MprisService::MprisService(AppState& state, QDBusConnection bus, Hooks hooks)
    : m_state(state)
    , m_player(*state.playback()->audioPlayer())
    , m_playback(*state.playback())
    , m_bus(std::move(bus))
    , m_hooks(std::move(hooks)) {
    new MprisRootAdaptor(*this);
    new MprisPlayerAdaptor(*this);
    for (const auto changed : {&AudioPlayer::isPlayingChanged, &AudioPlayer::currentTrackChanged,
                               &AudioPlayer::durationChanged, &AudioPlayer::volumeChanged})
        connect(&m_player, changed, this, &MprisService::publishChanges);
    connect(state.search()->filteredTracksModel(), &TrackListModel::countChanged, this,
            &MprisService::publishChanges);
    connect(&m_player, &AudioPlayer::seeked, this,
            [this](double seconds) { emit seeked(qint64(seconds * microseconds)); });
    m_published = playerProperties();
}

MprisService::~MprisService() {
    m_bus.unregisterService(QString::fromLatin1(serviceName));
    m_bus.unregisterObject(QString::fromLatin1(objectPath));
}

QString MprisService::playbackStatus() const {
    if (!m_player.currentTrack())
        return QStringLiteral("Stopped");
    return m_player.isPlaying() ? QStringLiteral("Playing") : QStringLiteral("Paused");
}

QVariantMap MprisService::metadata() const {
    const std::optional<Track>& track = m_player.currentTrack();
    if (!track)
        return {};
    const QUrl cover = track->coverArtURL();
    const QString coverFile =
        cover.isValid() && m_hooks.coverFile ? m_hooks.coverFile(cover) : QString();
    return MprisMetadata::forTrack(*track, m_player.duration(), coverFile);
}

qint64 MprisService::positionMicroseconds() const {
    return qint64(m_player.currentTime() * microseconds);
}

double MprisService::volume() const {
    return m_player.volume();
}

void MprisService::setVolume(double volume) {
    m_player.setVolume(float(volume));
}

bool MprisService::canGoNext() const {
    return m_state.search()->filteredTracksModel()->count() > 0;
}

bool MprisService::canGoPrevious() const {
    return canGoNext();
}

bool MprisService::canPlay() const {
    return m_player.currentTrack().has_value() || canGoNext();
}

bool MprisService::canPause() const {
    return m_player.currentTrack().has_value();
}

bool MprisService::canSeek() const {
    return m_player.currentTrack().has_value() && m_player.duration() > 0;
}

void MprisService::play() {
    if (!m_player.currentTrack())
        m_playback.playNext(); // the first of the list
    else if (!m_player.isPlaying())
        m_player.togglePlayPause();
}

void MprisService::pause() {
    if (m_player.isPlaying())
        m_player.togglePlayPause();
}

void MprisService::playPause() {
    if (m_player.currentTrack())
        m_player.togglePlayPause();
    else
        play();
}

void MprisService::stop() {
    m_player.stop();
}

void MprisService::next() {
    m_playback.playNext();
}

void MprisService::previous() {
    m_playback.playPrevious();
}

void MprisService::seek(qint64 offsetMicroseconds) {
    if (!canSeek())
        return;
    const double target = m_player.currentTime() + double(offsetMicroseconds) / microseconds;
    // Past the end is the next track, as media panels expect.
    if (target > m_player.duration()) {
        next();
        return;
    }
    m_player.seek(std::max(target, 0.0));
}

void MprisService::setPosition(const QString& trackPath, qint64 positionMicroseconds) {
    const std::optional<Track>& track = m_player.currentTrack();
    // A panel may still hold a track that has since been replaced: its request is stale.
    if (!canSeek() || trackPath != MprisMetadata::trackPath(track->id).path())
        return;
    const double target = double(positionMicroseconds) / microseconds;
    if (target < 0 || target > m_player.duration())
        return;
    m_player.seek(target);
}

void MprisService::raise() {
    if (m_hooks.raise)
        m_hooks.raise();
}

void MprisService::quit() {
    if (m_hooks.quit)
        m_hooks.quit();
}

QVariantMap MprisService::playerProperties() const {
    return {
        {QStringLiteral("PlaybackStatus"), playbackStatus()},
        {QStringLiteral("Metadata"), metadata()},
        {QStringLiteral("Volume"), volume()},
        {QStringLiteral("CanGoNext"), canGoNext()},
        {QStringLiteral("CanGoPrevious"), canGoPrevious()},
        {QStringLiteral("CanPlay"), canPlay()},
        {QStringLiteral("CanPause"), canPause()},
        {QStringLiteral("CanSeek"), canSeek()},
    };
}

void MprisService::publishChanges() {
    // Position is left out on purpose: panels read it when they need it, and Seeked tells of
    // jumps; announcing every tick would flood the bus.
    const QVariantMap now = playerProperties();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (m_published.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    m_published = now;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(objectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << playerInterface << changed << QStringList();
    m_bus.send(signal);
}

} // namespace aru
