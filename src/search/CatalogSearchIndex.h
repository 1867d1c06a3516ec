#pragma once

#include "Track.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace aru {

// What the catalogue screen lists for a search: the tracks that pass the text and the four
// exact filters, in catalogue order, and the best-scored tracks as suggestions.
//
// Built once per catalogue, it keeps each distinct searched text once, already lower-cased, with
// the list of tracks (and fields) that carry it. A keystroke then costs one substring scan over
// the distinct texts, a walk over the tracks of the texts that matched, and one light pass over
// the tracks, instead of lower-casing a dozen fields of every track again. Results are identical
// to applying the rules field by field (CatalogSearchReference).
class CatalogSearchIndex {
public:
    struct Query {
        // Matched as typed, lower-cased but not trimmed.
        QString searchText;
        // Exact, case-sensitive values; absent means no filter.
        std::optional<QString> mood;
        std::optional<QString> genre;
        std::optional<QString> tempo;
        std::optional<QString> vocal;
        // Tags a track may carry instead of matching the text (the vocabulary's or the
        // server's), compared lower-cased and whole.
        QStringList tags;

        friend bool operator==(const Query&, const Query&) = default;
    };

    // Rows are positions in the catalogue the index was built from.
    struct Result {
        QList<int> filtered;
        QList<int> suggested;
    };

    static constexpr int maxSuggestions = 20;

    // Suggestion weights: where the text was found, and which selected filters the track meets.
    static constexpr int titleWeight = 3;
    static constexpr int artistWeight = 2;
    static constexpr int albumWeight = 2;
    static constexpr int moodTextWeight = 1;
    static constexpr int genreTextWeight = 1;
    static constexpr int themeTextWeight = 1;
    static constexpr int moodFilterWeight = 2;
    static constexpr int genreFilterWeight = 2;
    static constexpr int tempoFilterWeight = 1;
    static constexpr int vocalFilterWeight = 1;

    CatalogSearchIndex() = default;
    explicit CatalogSearchIndex(const QList<Track>& tracks);

    qsizetype trackCount() const { return m_trackCount; }
    Result search(const Query& query) const;

private:
    // Where a text occurs in a track.
    enum Field : quint32 { Title, Artist, Album, Mood, Genre, Theme, Instrument, FieldCount };
    static constexpr int fieldBits = 3;

    static constexpr int noLabel = -1;
    // A selected filter value that no track carries.
    static constexpr int unknownLabel = -2;

    int textId(const QString& raw);
    int labelId(const std::optional<QString>& raw);
    int selectedLabel(const std::optional<QString>& selected) const;
    // Marks every distinct text that contains `needle`.
    void markTextsContaining(const QString& needle, std::vector<quint8>& marks) const;
    QStringView text(int id) const;

    qsizetype m_trackCount = 0;

    // Every distinct lower-cased text, one after another, each followed by a separator, so one
    // substring search over the whole block finds all texts holding the search text. m_textStarts
    // holds where each text begins, plus one final entry past the end.
    QString m_textBlock;
    std::vector<qsizetype> m_textStarts;
    QHash<QString, int> m_textIds;
    // The catalogue spelling -> id map shares the lower-casing of repeated labels while building.
    QHash<QString, int> m_rawTextIds;

    // The occurrences of text `id` are m_occurrences[m_occurrenceStarts[id] …
    // m_occurrenceStarts[id + 1]), each (track row << fieldBits | field), in catalogue order. An
    // absent album or genre occurs as the empty text, which a server tag may still match.
    std::vector<int> m_occurrenceStarts;
    std::vector<quint32> m_occurrences;

    // Exact spellings for the filters, per track; absent is noLabel.
    QHash<QString, int> m_labelIds;
    std::vector<int> m_genreLabels;
    std::vector<int> m_tempoLabels;
    std::vector<int> m_vocalLabels;
    // The rows of the tracks that carry mood label `id`, like the occurrences.
    std::vector<int> m_moodTrackStarts;
    std::vector<int> m_moodTracks;
};

} // namespace aru
