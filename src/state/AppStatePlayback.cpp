#include "AppState.h"

#include <QPointer>
#include <algorithm>

namespace aru {

void AppState::connectPlayback() {
    m_audioPlayer = new AudioPlayer(this);
    // Weak: the player must not call into a state object that is being torn down.
    const QPointer<AppState> self(this);
    m_audioPlayer->setOnTrackEnded([self] {
        if (self)
            self->playNext();
    });
}

void AppState::playNext() {
    playNeighbour(1);
}

void AppState::playPrevious() {
    playNeighbour(-1);
}

void AppState::playNeighbour(qsizetype step) {
    const QList<Track> tracks = filteredTracks();
    if (tracks.isEmpty())
        return;
    const std::optional<Track>& current = m_audioPlayer->currentTrack();
    qsizetype index = -1;
    if (current) {
        const auto found = std::find_if(tracks.begin(), tracks.end(), [&](const Track& track) {
            return track.id == current->id;
        });
        if (found != tracks.end())
            index = found - tracks.begin();
    }
    const qsizetype count = tracks.size();
    const qsizetype chosen = index < 0 ? 0 : (index + step % count + count) % count;
    // Only a one-track list chooses the loaded track again; re-using its player would go on
    // from where it is, and the step promises the start.
    if (index == chosen)
        m_audioPlayer->seek(0);
    m_audioPlayer->play(tracks[chosen], 0, true);
}

} // namespace aru
