#include "CatalogSearchIndex.h"

#include <QStringMatcher>
#include <array>

namespace aru {

namespace {

// Ends each text in the block. A non-character, so a search text practically never holds it;
// when one does, the texts are searched one by one instead.
constexpr QChar textSeparator(0xFFFF);

constexpr int maxScore =
    CatalogSearchIndex::titleWeight + CatalogSearchIndex::artistWeight +
    CatalogSearchIndex::albumWeight + CatalogSearchIndex::moodTextWeight +
    CatalogSearchIndex::genreTextWeight + CatalogSearchIndex::themeTextWeight +
    CatalogSearchIndex::moodFilterWeight + CatalogSearchIndex::genreFilterWeight +
    CatalogSearchIndex::tempoFilterWeight + CatalogSearchIndex::vocalFilterWeight;

// What a keystroke learns about each distinct text.
constexpr quint8 containsText = 1;
constexpr quint8 isTag = 2;

// What a keystroke learns about each track: one bit per field whose text contains the search
// text, in the order of the Field enumeration, and one for a tag on one of its labels.
constexpr quint8 tagOnLabel = 1 << 6;
constexpr quint8 textInFields = tagOnLabel - 1;

// The score of each combination of fields holding the search text.
constexpr std::array<int, textInFields + 1> textScores = [] {
    std::array<int, textInFields + 1> scores{};
    for (size_t bits = 0; bits < scores.size(); ++bits) {
        const auto in = [bits](int field) { return int((bits >> field) & 1); };
        scores[bits] =
            CatalogSearchIndex::titleWeight * in(0) + CatalogSearchIndex::artistWeight * in(1) +
            CatalogSearchIndex::albumWeight * in(2) + CatalogSearchIndex::moodTextWeight * in(3) +
            CatalogSearchIndex::genreTextWeight * in(4) +
            CatalogSearchIndex::themeTextWeight * in(5);
    }
    return scores;
}();

// Turns pairs (key, value), in catalogue order, into one list of values per key.
template <typename T>
void groupByKey(const std::vector<std::pair<int, T>>& pairs, size_t keyCount,
                std::vector<int>& starts, std::vector<T>& values) {
    starts.assign(keyCount + 1, 0);
    for (const auto& pair : pairs)
        ++starts[size_t(pair.first) + 1];
    for (size_t key = 0; key < keyCount; ++key)
        starts[key + 1] += starts[key];
    values.resize(pairs.size());
    std::vector<int> next(starts.cbegin(), starts.cend() - 1);
    for (const auto& [key, value] : pairs)
        values[size_t(next[size_t(key)]++)] = value;
}

} // namespace

CatalogSearchIndex::CatalogSearchIndex(const QList<Track>& tracks)
    : m_trackCount(tracks.size()) {
    Q_ASSERT(tracks.size() < (qsizetype(1) << (32 - fieldBits)));
    m_textStarts.push_back(0);
    textId(QString());

    std::vector<std::pair<int, quint32>> occurrences;
    occurrences.reserve(size_t(tracks.size()) * 12);
    std::vector<std::pair<int, int>> moods;
    m_genreLabels.reserve(size_t(tracks.size()));
    m_tempoLabels.reserve(size_t(tracks.size()));
    m_vocalLabels.reserve(size_t(tracks.size()));

    for (int row = 0; row < int(tracks.size()); ++row) {
        const Track& track = tracks[row];
        const auto add = [&](const QString& text, Field field) {
            occurrences.emplace_back(textId(text), quint32(row) << fieldBits | field);
        };
        const auto addAll = [&](const std::optional<QStringList>& list, Field field) {
            if (list) {
                for (const QString& text : *list)
                    add(text, field);
            }
        };
        add(track.title, Title);
        add(track.artist, Artist);
        add(track.album.value_or(QString()), Album);
        add(track.genre.value_or(QString()), Genre);
        addAll(track.mood, Mood);
        addAll(track.themes, Theme);
        addAll(track.instruments, Instrument);
        if (track.mood) {
            for (const QString& mood : *track.mood)
                moods.emplace_back(labelId(mood), row);
        }
        m_genreLabels.push_back(labelId(track.genre));
        m_tempoLabels.push_back(labelId(track.tempo));
        m_vocalLabels.push_back(labelId(track.vocal));
    }
    m_rawTextIds = {};
    m_textBlock.squeeze();
    groupByKey(occurrences, size_t(m_textIds.size()), m_occurrenceStarts, m_occurrences);
    groupByKey(moods, size_t(m_labelIds.size()), m_moodTrackStarts, m_moodTracks);
}

int CatalogSearchIndex::textId(const QString& raw) {
    // Labels repeat across the catalogue: lower-case each spelling once.
    if (const auto known = m_rawTextIds.constFind(raw); known != m_rawTextIds.constEnd())
        return *known;
    const QString lower = raw.toLower();
    int id;
    if (const auto known = m_textIds.constFind(lower); known != m_textIds.constEnd()) {
        id = *known;
    } else {
        id = int(m_textIds.size());
        m_textIds.insert(lower, id);
        m_textBlock += lower;
        m_textBlock += textSeparator;
        m_textStarts.push_back(m_textBlock.size());
    }
    m_rawTextIds.insert(raw, id);
    return id;
}

int CatalogSearchIndex::labelId(const std::optional<QString>& raw) {
    if (!raw)
        return noLabel;
    const auto known = m_labelIds.constFind(*raw);
    if (known != m_labelIds.constEnd())
        return *known;
    const int id = int(m_labelIds.size());
    m_labelIds.insert(*raw, id);
    return id;
}

int CatalogSearchIndex::selectedLabel(const std::optional<QString>& selected) const {
    if (!selected)
        return noLabel;
    return m_labelIds.value(*selected, unknownLabel);
}

QStringView CatalogSearchIndex::text(int id) const {
    const qsizetype start = m_textStarts[size_t(id)];
    // Leaves out the separator.
    return QStringView(m_textBlock).mid(start, m_textStarts[size_t(id) + 1] - start - 1);
}

void CatalogSearchIndex::markTextsContaining(const QString& needle,
                                             std::vector<quint8>& marks) const {
    const size_t textCount = m_textStarts.size() - 1;
    if (needle.contains(textSeparator)) {
        for (size_t id = 0; id < textCount; ++id) {
            if (text(int(id)).contains(needle))
                marks[id] |= containsText;
        }
        return;
    }

    // Without a separator in the needle a hit cannot straddle two texts. After a hit the rest of
    // that text is skipped, and hits only move forward, so finding the text of a hit is a walk.
    const QStringView block(m_textBlock);
    const QStringMatcher matcher(needle);
    const bool singleChar = needle.size() == 1;
    size_t id = 0;
    qsizetype from = 0;
    while (from < block.size()) {
        const qsizetype hit =
            singleChar ? block.indexOf(needle.front(), from) : matcher.indexIn(block, from);
        if (hit < 0)
            break;
        while (m_textStarts[id + 1] <= hit)
            ++id;
        marks[id] |= containsText;
        from = m_textStarts[id + 1];
    }
}

CatalogSearchIndex::Result CatalogSearchIndex::search(const Query& query) const {
    const size_t trackCount = size_t(m_trackCount);
    const bool hasText = !query.searchText.isEmpty();
    std::vector<quint8> trackMarks;
    if (hasText) {
        std::vector<quint8> textMarks(m_textStarts.size() - 1, 0);
        markTextsContaining(query.searchText.toLower(), textMarks);
        // A tag can only match a text some track carries: look each one up instead of comparing
        // every track's labels with every tag.
        for (const QString& tag : query.tags) {
            if (const auto id = m_textIds.constFind(tag.toLower()); id != m_textIds.constEnd())
                textMarks[size_t(*id)] |= isTag;
        }

        // What a marked text tells each track that carries it, by field: the field's own bit
        // when it contains the search text, and the tag bit when it is a tag and a label.
        std::array<std::array<quint8, 1 << fieldBits>, 4> learnt{};
        for (quint8 mark = 0; mark < 4; ++mark) {
            for (quint32 field = 0; field < FieldCount; ++field) {
                const bool searched = field != Instrument;
                const bool label = field != Title && field != Artist && field != Album;
                learnt[mark][size_t(field)] =
                    quint8(((mark & containsText) && searched ? 1 << field : 0) |
                           ((mark & isTag) && label ? tagOnLabel : 0));
            }
        }
        trackMarks.assign(trackCount, 0);
        for (size_t id = 0; id < textMarks.size(); ++id) {
            if (!textMarks[id])
                continue;
            const auto& learn = learnt[textMarks[id]];
            const quint32* occurrence = m_occurrences.data() + m_occurrenceStarts[id];
            const quint32* end = m_occurrences.data() + m_occurrenceStarts[id + 1];
            for (; occurrence != end; ++occurrence)
                trackMarks[*occurrence >> fieldBits] |= learn[*occurrence & ((1 << fieldBits) - 1)];
        }
    }

    const int mood = selectedLabel(query.mood);
    const int genre = selectedLabel(query.genre);
    const int tempo = selectedLabel(query.tempo);
    const int vocal = selectedLabel(query.vocal);
    std::vector<quint8> hasMood;
    if (mood != noLabel) {
        hasMood.assign(trackCount, 0);
        if (mood != unknownLabel) {
            for (int i = m_moodTrackStarts[size_t(mood)]; i < m_moodTrackStarts[size_t(mood) + 1];
                 ++i)
                hasMood[size_t(m_moodTracks[size_t(i)])] = 1;
        }
    }

    // Scores are small integers, so a stable sort by descending score is a bucket per score kept
    // in catalogue order; no bucket needs more than the number of suggestions.
    std::array<QList<int>, maxScore + 1> buckets;
    Result result;
    for (size_t row = 0; row < trackCount; ++row) {
        const quint8 marks = hasText ? trackMarks[row] : 0;
        int score = textScores[marks & textInFields];
        // A direct hit, or else a tag on a label.
        bool passes = !hasText || marks != 0;
        if (mood != noLabel) {
            const bool has = hasMood[row];
            passes = passes && has;
            score += moodFilterWeight * has;
        }
        if (genre != noLabel) {
            const bool has = m_genreLabels[row] == genre;
            passes = passes && has;
            score += genreFilterWeight * has;
        }
        if (tempo != noLabel) {
            const bool has = m_tempoLabels[row] == tempo;
            passes = passes && has;
            score += tempoFilterWeight * has;
        }
        if (vocal != noLabel) {
            const bool has = m_vocalLabels[row] == vocal;
            passes = passes && has;
            score += vocalFilterWeight * has;
        }
        if (passes)
            result.filtered.append(int(row));
        if (score > 0 && buckets[size_t(score)].size() < maxSuggestions)
            buckets[size_t(score)].append(int(row));
    }

    for (int score = maxScore; score > 0 && result.suggested.size() < maxSuggestions; --score) {
        for (const int row : buckets[size_t(score)]) {
            if (result.suggested.size() == maxSuggestions)
                break;
            result.suggested.append(row);
        }
    }
    return result;
}

} // namespace aru
