#include "CatalogSearchReference.h"

#include <algorithm>

namespace aru::CatalogSearchReference {

namespace {

using Index = CatalogSearchIndex;

bool has(const QString& text, const QString& needle) {
    return text.contains(needle, Qt::CaseInsensitive);
}

bool has(const std::optional<QString>& text, const QString& needle) {
    return text && has(*text, needle);
}

bool anyHas(const std::optional<QStringList>& list, const QString& needle) {
    return list && std::any_of(list->cbegin(), list->cend(),
                               [&](const QString& item) { return has(item, needle); });
}

bool isTag(const QString& value, const QStringList& tags) {
    return tags.contains(value, Qt::CaseInsensitive);
}

bool anyIsTag(const std::optional<QStringList>& list, const QStringList& tags) {
    return list && std::any_of(list->cbegin(), list->cend(),
                               [&](const QString& item) { return isTag(item, tags); });
}

bool passesText(const Track& track, const QString& q, const QStringList& tags) {
    if (q.isEmpty())
        return true;
    if (has(track.title, q) || has(track.artist, q) || has(track.album, q) ||
        anyHas(track.mood, q) || has(track.genre, q) || anyHas(track.themes, q))
        return true;
    if (tags.isEmpty())
        return false;
    return anyIsTag(track.mood, tags) || isTag(track.genre.value_or(QString()), tags) ||
           anyIsTag(track.themes, tags) || anyIsTag(track.instruments, tags);
}

bool moodMatches(const Track& track, const QString& mood) {
    return track.mood && track.mood->contains(mood);
}

bool passesFilters(const Track& track, const Index::Query& query) {
    return (!query.mood || moodMatches(track, *query.mood)) &&
           (!query.genre || track.genre == query.genre) &&
           (!query.tempo || track.tempo == query.tempo) &&
           (!query.vocal || track.vocal == query.vocal);
}

int score(const Track& track, const QString& q, const Index::Query& query) {
    int score = 0;
    if (!q.isEmpty()) {
        score += Index::titleWeight * has(track.title, q);
        score += Index::artistWeight * has(track.artist, q);
        score += Index::albumWeight * has(track.album, q);
        score += Index::moodTextWeight * anyHas(track.mood, q);
        score += Index::genreTextWeight * has(track.genre, q);
        score += Index::themeTextWeight * anyHas(track.themes, q);
    }
    score += Index::moodFilterWeight * (query.mood && moodMatches(track, *query.mood));
    score += Index::genreFilterWeight * (query.genre && track.genre == query.genre);
    score += Index::tempoFilterWeight * (query.tempo && track.tempo == query.tempo);
    score += Index::vocalFilterWeight * (query.vocal && track.vocal == query.vocal);
    return score;
}

} // namespace

CatalogSearchIndex::Result search(const QList<Track>& tracks,
                                  const CatalogSearchIndex::Query& query) {
    const QString& q = query.searchText;

    CatalogSearchIndex::Result result;
    QList<std::pair<int, int>> scored;
    for (int row = 0; row < tracks.size(); ++row) {
        const Track& track = tracks[row];
        if (passesText(track, q, query.tags) && passesFilters(track, query))
            result.filtered.append(row);
        if (const int s = score(track, q, query); s > 0)
            scored.append({s, row});
    }
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (qsizetype i = 0; i < std::min<qsizetype>(scored.size(), Index::maxSuggestions); ++i)
        result.suggested.append(scored[i].second);
    return result;
}

} // namespace aru::CatalogSearchReference
