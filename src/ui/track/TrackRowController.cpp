#include "TrackRowController.h"

#include "AppState.h"
#include "AudioPlayer.h"
#include "CoverImageProvider.h"
#include "LicenseMail.h"
#include "TrackInfoCells.h"

namespace aru {

TrackRowController::TrackRowController(QObject* parent)
    : QObject(parent) {}

void TrackRowController::setTrack(const Track& track) {
    if (m_track == track)
        return;
    if (m_track.id != track.id)
        setPendingSeekPercent(std::nullopt);
    m_track = track;
    emit trackChanged();
    emit moodChipsChanged();
    emit infoCellsChanged();
    stateChanged();
}

AppState* TrackRowController::appState() const {
    return m_state;
}

void TrackRowController::setAppState(AppState* state) {
    if (m_state == state)
        return;
    if (m_state) {
        disconnect(player(), nullptr, this, nullptr);
        for (QObject* part :
             std::initializer_list<QObject*>{m_state->favorites(), m_state->downloads(),
                                             m_state->layout(), m_state->preferences()})
            disconnect(part, nullptr, this, nullptr);
    }
    m_state = state;
    if (m_state) {
        connect(player(), &AudioPlayer::currentTrackChanged, this,
                &TrackRowController::stateChanged);
        connect(player(), &AudioPlayer::isPlayingChanged, this, &TrackRowController::stateChanged);
        connect(m_state->favorites(), &Favorites::favoritesChanged, this,
                &TrackRowController::stateChanged);
        connect(m_state->downloads(), &Downloads::downloadErrorsChanged, this,
                &TrackRowController::stateChanged);
        connect(m_state->layout(), &PageLayout::isCompactChanged, this,
                &TrackRowController::moodChipsChanged);
        connect(m_state->preferences(), &Preferences::languageChanged, this,
                &TrackRowController::infoCellsChanged);
    }
    emit appStateChanged();
    emit moodChipsChanged();
    emit infoCellsChanged();
    stateChanged();
}

AudioPlayer* TrackRowController::player() const {
    return m_state ? m_state->playback()->audioPlayer() : nullptr;
}

bool TrackRowController::isCurrent() const {
    const AudioPlayer* audio = player();
    return audio && audio->currentTrack() && audio->currentTrack()->id == m_track.id;
}

bool TrackRowController::isPlaying() const {
    return isCurrent() && player()->isPlaying();
}

bool TrackRowController::isFavorite() const {
    return m_state && m_state->favorites()->contains(m_track.id);
}

QString TrackRowController::downloadError() const {
    return m_state ? m_state->downloads()->downloadErrors().value(m_track.id) : QString();
}

void TrackRowController::stateChanged() {
    const bool current = isCurrent();
    const bool playing = isPlaying();
    if (current != m_shownCurrent || playing != m_shownPlaying) {
        m_shownCurrent = current;
        m_shownPlaying = playing;
        emit playbackChanged();
    }
    if (const bool favorite = isFavorite(); favorite != m_shownFavorite) {
        m_shownFavorite = favorite;
        emit isFavoriteChanged();
    }
    if (QString error = downloadError(); error != m_shownError) {
        m_shownError = std::move(error);
        emit downloadErrorChanged();
    }
}

void TrackRowController::setPendingSeekPercent(std::optional<double> fraction) {
    if (m_pendingSeekPercent == fraction)
        return;
    m_pendingSeekPercent = fraction;
    emit pendingSeekPercentChanged();
}

QVariant TrackRowController::pendingSeekPercentValue() const {
    return m_pendingSeekPercent ? QVariant(*m_pendingSeekPercent) : QVariant();
}

void TrackRowController::setPendingSeekPercentValue(const QVariant& value) {
    bool isNumber = false;
    const double fraction = value.toDouble(&isNumber);
    setPendingSeekPercent(isNumber && value.isValid() ? std::optional<double>(fraction)
                                                      : std::nullopt);
}

QStringList TrackRowController::moodChips() const {
    const QStringList moods = m_track.mood.value_or(QStringList());
    const bool compact = m_state && m_state->layout()->isCompact();
    return moods.first(
        std::min<qsizetype>(moods.size(), compact ? compactMoodChips : wideMoodChips));
}

QVariantList TrackRowController::infoCells() const {
    QVariantList cells;
    if (!m_state)
        return cells;
    for (const auto& cell : TrackInfoCells::cells(m_track, m_state->preferences()->language()))
        cells.append(QVariantMap{{QStringLiteral("label"), cell.label},
                                 {QStringLiteral("value"), cell.value}});
    return cells;
}

QUrl TrackRowController::coverSource() const {
    const QUrl cover = m_track.coverArtURL();
    return cover.isValid() ? CoverImageProvider::sourceFor(cover) : QUrl();
}

void TrackRowController::togglePlay() {
    AudioPlayer* audio = player();
    if (!audio)
        return;
    if (isCurrent()) {
        audio->togglePlayPause();
        return;
    }
    const double start = m_pendingSeekPercent.value_or(0);
    audio->play(m_track, start);
    setPendingSeekPercent(std::nullopt);
}

void TrackRowController::toggleFavorite() {
    if (m_state)
        m_state->favorites()->toggleFavorite(m_track.id);
}

void TrackRowController::openLicenseMail() {
    const AppLanguage language = m_state ? m_state->preferences()->language() : AppLanguage::En;
    LicenseMail::open(m_track, language);
}

} // namespace aru
