#pragma once

#include "Track.h"

#include <array>
#include <optional>
#include <string_view>

// The track's JSON keys and the per-field reading rules, written once for every JSON parser the
// app uses. A parser plugs in through a Reader with these functions, each giving none when the
// value is missing, null or of another type:
//   std::optional<qint64> integer(V)       a JSON integer (or an integral number)
//   std::optional<qint64> decimalText(V)   a string holding a decimal integer (parseBpmText)
//   std::optional<QString> string(V)       text that is usually unique to the track
//   std::optional<QString> label(V)        short text that repeats across the catalogue (a
//                                          genre, a mood, an artist): a reader may share it
//   std::optional<QStringList> labels(V)   a list of such texts
namespace aru::TrackFields {

enum class Field : quint8 {
    Id,
    Title,
    Artist,
    Genre,
    Mood,
    Tempo,
    Duration,
    AudioFile,
    CoverArt,
    DownloadFile,
    Album,
    Year,
    Isrc,
    Key,
    Bpm,
    Vocal,
    Instruments,
    Themes,
    Description,
    DescriptionFr,
    DescriptionJa,
    Artists
};

inline constexpr std::array<std::string_view, 22> keys{"id",
                                                       "title",
                                                       "artist",
                                                       "genre",
                                                       "mood",
                                                       "tempo",
                                                       "duration",
                                                       "audioFile",
                                                       "coverArt",
                                                       "downloadFile",
                                                       "album",
                                                       "year",
                                                       "isrc",
                                                       "key",
                                                       "bpm",
                                                       "vocal",
                                                       "instruments",
                                                       "themes",
                                                       "description",
                                                       "description_fr",
                                                       "description_ja",
                                                       "artists"};

inline constexpr std::string_view keyOf(Field field) {
    return keys[static_cast<size_t>(field)];
}

// Looks the key up starting at `startAt` and wrapping around: objects usually list their keys in
// the same order, so starting after the previous key's field finds the next one at once.
std::optional<Field> fieldForKey(std::string_view key, size_t startAt = 0);

// A track being read: the record plus whether the three required fields were valid.
struct Draft {
    Track track;
    bool hasId = false;
    bool hasTitle = false;
    bool hasArtist = false;
};

// Fails naming the first required field that is missing or invalid.
Decoded<Track> finish(Draft&& draft);

// `value` may be a parser's own value type or a handle a reader consumes as it reads.
template <typename Reader, typename Value>
void read(Reader& reader, Draft& draft, Field field, Value&& value) {
    Track& t = draft.track;
    switch (field) {
    case Field::Id: {
        const auto id = reader.integer(value);
        draft.hasId = id.has_value();
        t.id = id.value_or(0);
        break;
    }
    case Field::Title: {
        auto title = reader.string(value);
        draft.hasTitle = title.has_value();
        t.title = title ? std::move(*title) : QString();
        break;
    }
    case Field::Artist: {
        auto artist = reader.label(value);
        draft.hasArtist = artist.has_value();
        t.artist = artist ? std::move(*artist) : QString();
        break;
    }
    case Field::AudioFile:
        t.audioFile = reader.string(value).value_or(QString());
        break;
    case Field::Genre:
        t.genre = reader.label(value);
        break;
    case Field::Tempo:
        t.tempo = reader.label(value);
        break;
    case Field::Duration:
        t.duration = reader.label(value);
        break;
    case Field::CoverArt:
        t.coverArt = reader.string(value);
        break;
    case Field::DownloadFile:
        t.downloadFile = reader.string(value);
        break;
    case Field::Album:
        t.album = reader.label(value);
        break;
    case Field::Isrc:
        t.isrc = reader.string(value);
        break;
    case Field::Key:
        t.key = reader.label(value);
        break;
    case Field::Vocal:
        t.vocal = reader.label(value);
        break;
    case Field::Description:
        t.description = reader.string(value);
        break;
    case Field::DescriptionFr:
        t.description_fr = reader.string(value);
        break;
    case Field::DescriptionJa:
        t.description_ja = reader.string(value);
        break;
    case Field::Mood:
        t.mood = reader.labels(value);
        break;
    case Field::Instruments:
        t.instruments = reader.labels(value);
        break;
    case Field::Themes:
        t.themes = reader.labels(value);
        break;
    case Field::Artists:
        t.artists = reader.labels(value);
        break;
    case Field::Year:
        t.year = reader.integer(value);
        break;
    case Field::Bpm: {
        t.bpm = reader.integer(value);
        if (!t.bpm)
            t.bpm = reader.decimalText(value);
        break;
    }
    }
}

} // namespace aru::TrackFields
