#include "Playback.h"

#include "CatalogSearch.h"

#include <QPointer>
#include <algorithm>

namespace aru {

Playback::Playback(const CatalogSearch& search, MediaBackend::Factory makeBackend, QObject* parent)
    : QObject(parent)
    , m_search(search)
    , m_audioPlayer(new AudioPlayer(std::move(makeBackend), this)) {
    // Weak: the player must not call into an object that is being torn down.
    m_audioPlayer->setOnTrackEnded([self = QPointer<Playback>(this)] {
        if (self)
            self->playNext();
    });
}

void Playback::playNext() {
    playNeighbour(1);
}

void Playback::playPrevious() {
    playNeighbour(-1);
}

void Playback::playNeighbour(qsizetype step) {
    const QList<Track> tracks = m_search.filteredTracks();
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
