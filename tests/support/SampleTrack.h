#pragma once

#include "Track.h"

#include <QUrl>

namespace aru::test {

// A track with every field filled, served by the test server at `server` (its WAV, its stream
// and its cover); tests take away what their case lacks.
inline Track sampleTrack(const QUrl& server, TrackId id = 42) {
    const QString base = server.toString();
    Track track;
    track.id = id;
    track.title = "Night Rain";
    track.artist = "Jane Roe";
    track.genre = "Cinematic";
    track.mood = QStringList{"Dark", "Tense", "Noir", "Calm", "Hopeful", "Epic"};
    track.tempo = "Slow";
    track.duration = "3:05";
    track.audioFile = base + QString("/api/audio/%1.wav").arg(id);
    track.downloadFile = track.audioFile;
    track.coverArt = base + QString("/covers/%1.png").arg(id);
    track.album = "Rain Tapes";
    track.year = 2021;
    track.isrc = "FR-ARU-21-00042";
    track.key = "A minor";
    track.bpm = 92;
    track.vocal = "Instrumental";
    track.instruments = QStringList{"Piano", "Strings"};
    track.themes = QStringList{"Night", "City"};
    return track;
}

} // namespace aru::test
