#include "CatalogKeyboard.h"

#include "AppState.h"

#include <algorithm>

namespace aru {

using Action = AuditionKeys::Action;

CatalogKeyboard::CatalogKeyboard(QObject* parent)
    : QObject(parent) {}

void CatalogKeyboard::setAppState(AppState* state) {
    if (m_state == state)
        return;
    m_state = state;
    emit appStateChanged();
}

void CatalogKeyboard::setTracks(TrackListModel* tracks) {
    if (m_tracks == tracks)
        return;
    if (m_tracks)
        disconnect(m_tracks, nullptr, this, nullptr);
    m_tracks = tracks;
    // Another list (the suggestions instead of the filtered tracks, a new search) starts with
    // no selection: the row number would point at some other track.
    if (m_tracks) {
        connect(m_tracks, &TrackListModel::replaced, this, [this] { setSelectedRow(-1); });
        connect(m_tracks, &TrackListModel::countChanged, this, [this] {
            if (m_selectedRow >= m_tracks->count())
                setSelectedRow(-1);
        });
    }
    emit tracksChanged();
    setSelectedRow(-1);
}

void CatalogKeyboard::setSelectedRow(int row) {
    if (m_selectedRow == row)
        return;
    m_selectedRow = row;
    emit selectedRowChanged();
}

bool CatalogKeyboard::hasSelection() const {
    return m_tracks && m_selectedRow >= 0 && m_selectedRow < m_tracks->count();
}

bool CatalogKeyboard::handleKey(int key, int modifiers, bool inSearchField) {
    const Action action =
        AuditionKeys::actionFor(key, Qt::KeyboardModifiers(modifiers), inSearchField);
    if (action == Action::None || !m_state)
        return false;
    AudioPlayer* player = m_state->playback()->audioPlayer();
    if (AuditionKeys::isSelectionMove(action)) {
        moveSelection(action);
        return true;
    }
    switch (action) {
    case Action::PlaySelected:
        playSelected();
        return true;
    case Action::TogglePlayPause:
        player->togglePlayPause();
        return true;
    case Action::SeekBackward:
    case Action::SeekForward:
    case Action::SeekFarBackward:
    case Action::SeekFarForward:
        if (player->currentTrack() && player->duration() > 0)
            player->seek(std::clamp(player->currentTime() + AuditionKeys::seekOffset(action), 0.0,
                                    player->duration()));
        return true;
    case Action::ToggleFavorite:
        if (hasSelection())
            m_state->favorites()->toggleFavorite(m_tracks->trackAt(m_selectedRow).id);
        return true;
    case Action::Download:
        if (hasSelection())
            m_state->downloads()->downloadTrack(m_tracks->trackAt(m_selectedRow));
        return true;
    case Action::ToggleInfo:
        if (hasSelection())
            emit infoToggleRequested(m_selectedRow);
        return true;
    case Action::FocusSearch:
        emit focusSearchRequested();
        return true;
    case Action::Escape:
        emit escapePressed();
        return true;
    default:
        return false;
    }
}

void CatalogKeyboard::moveSelection(Action action) {
    const int count = m_tracks ? m_tracks->count() : 0;
    const int row = AuditionKeys::movedSelection(action, m_selectedRow, count, m_pageRows);
    if (row == m_selectedRow)
        return;
    setSelectedRow(row);
    // Auditioning: while something plays, the newly selected track plays at once.
    if (row >= 0 && m_state->playback()->audioPlayer()->isPlaying())
        m_state->playback()->audioPlayer()->play(m_tracks->trackAt(row));
}

void CatalogKeyboard::playSelected() {
    if (!hasSelection())
        return;
    const double start = m_selectedStartFraction >= 0 ? m_selectedStartFraction : 0;
    const Track& track = m_tracks->trackAt(m_selectedRow);
    AudioPlayer* player = m_state->playback()->audioPlayer();
    if (player->currentTrack() && player->currentTrack()->id == track.id) {
        // The loaded track would go on from where it is; Enter promises its start.
        player->seek(start * player->duration());
        if (!player->isPlaying())
            player->togglePlayPause();
    } else {
        player->play(track, start);
    }
    if (m_selectedStartFraction >= 0)
        emit startFractionConsumed();
}

} // namespace aru
