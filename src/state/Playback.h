#pragma once

#include "AudioPlayer.h"
#include "MediaBackend.h"

#include <QObject>
#include <QtQmlIntegration>

namespace aru {

class CatalogSearch;

// The preview player and the order it plays in: the next and previous tracks are those of the
// filtered list as it stands, and a track that ends hands over to the next.
class Playback : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Playback is AppState.playback")

    Q_PROPERTY(aru::AudioPlayer* audioPlayer READ audioPlayer CONSTANT)

public:
    // The player makes its platform players with `makeBackend`.
    Playback(const CatalogSearch& search, MediaBackend::Factory makeBackend,
             QObject* parent = nullptr);

    // The one preview player, made with this object and never replaced.
    AudioPlayer* audioPlayer() const { return m_audioPlayer; }

    // Play the track after (before) the player's current one in the filtered list as it is now,
    // from its start: after the last comes the first. The first track when the player's track
    // is not in the list; nothing when the list is empty.
    Q_INVOKABLE void playNext();
    Q_INVOKABLE void playPrevious();

private:
    void playNeighbour(qsizetype step);

    const CatalogSearch& m_search;
    AudioPlayer* m_audioPlayer;
};

} // namespace aru
