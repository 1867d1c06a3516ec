#include "CatalogSearchReference.h"

#include <algorithm>

namespace aru::CatalogSearchReference {

namespace {

using Index = CatalogSearchIndex;

bool anyContains(const std::optional<QStringList>& list, const QString& needle) {
    if (!list)
        return false;
    return std::any_of(list->cbegin(), list->cend(),
                       [&](const QString& item) { return item.toLower().contains(needle); });
}

bool anyIn(const std::optional<QStringList>& list, const QStringList& tagsLower) {
    if (!list)
        return false;
    return std::any_of(list->cbegin(), list->cend(),
                       [&](const QString& item) { return tagsLower.contains(item.toLower()); });
}

bool passesText(const Track& track, const QString& q, const QStringList& tagsLower) {
    if (q.isEmpty())
        return true;
    if (track.title.toLower().contains(q) || track.artist.toLower().contains(q) ||
        track.album.value_or(QString()).toLower().contains(q) || anyContains(track.mood, q) ||
        track.genre.value_or(QString()).toLower().contains(q) || anyContains(track.themes, q))
        return true;
    if (tagsLower.isEmpty())
        return false;
    return anyIn(track.mood, tagsLower) ||
           tagsLower.contains(track.genre.value_or(QString()).toLower()) ||
           anyIn(track.themes, tagsLower) || anyIn(track.instruments, tagsLower);
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
        score += Index::titleWeight * track.title.toLower().contains(q);
        score += Index::artistWeight * track.artist.toLower().contains(q);
        score += Index::albumWeight * track.album.value_or(QString()).toLower().contains(q);
        score += Index::moodTextWeight * anyContains(track.mood, q);
        score += Index::genreTextWeight * track.genre.value_or(QString()).toLower().contains(q);
        score += Index::themeTextWeight * anyContains(track.themes, q);
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
    const QString q = query.searchText.toLower();
    QStringList tagsLower;
    for (const QString& tag : query.tags)
        tagsLower.append(tag.toLower());

    CatalogSearchIndex::Result result;
    QList<std::pair<int, int>> scored;
    for (int row = 0; row < tracks.size(); ++row) {
        const Track& track = tracks[row];
        if (passesText(track, q, tagsLower) && passesFilters(track, query))
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
