#include "CollectionLists.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace aru::CollectionLists {

namespace {

// Each id's first position in the catalogue.
QHash<TrackId, qsizetype> firstPositions(const QList<Track>& catalogue) {
    QHash<TrackId, qsizetype> positions;
    positions.reserve(catalogue.size());
    for (qsizetype i = 0; i < catalogue.size(); ++i)
        if (!positions.contains(catalogue[i].id))
            positions.insert(catalogue[i].id, i);
    return positions;
}

bool contains(const QString& field, const QString& query) {
    return field.toLower().contains(query);
}

} // namespace

QString normalizedQuery(const QString& filterText) {
    return filterText.trimmed().toLower();
}

bool matches(const Track& track, const QString& query) {
    if (query.isEmpty())
        return true;
    if (contains(track.title, query) || contains(track.artist, query))
        return true;
    if ((track.album && contains(*track.album, query)) ||
        (track.genre && contains(*track.genre, query)))
        return true;
    const QStringList moods = track.mood.value_or(QStringList());
    return std::any_of(moods.begin(), moods.end(),
                       [&](const QString& mood) { return contains(mood, query); });
}

QList<Track> favoriteTracks(const QList<Track>& catalogue, const QList<TrackId>& favorites,
                            const QString& filterText) {
    const QHash<TrackId, qsizetype> positions = firstPositions(catalogue);
    const QString query = normalizedQuery(filterText);
    QList<Track> tracks;
    for (const TrackId id : favorites) {
        const auto found = positions.constFind(id);
        if (found != positions.cend() && matches(catalogue[*found], query))
            tracks.append(catalogue[*found]);
    }
    return tracks;
}

QList<Track> downloadedTracks(const QList<Track>& catalogue, const QList<DownloadEntry>& history,
                              const QString& downloadFolder, const QString& filterText) {
    const QHash<TrackId, qsizetype> positions = firstPositions(catalogue);
    const QString query = normalizedQuery(filterText);
    const QDir folder(downloadFolder);
    QList<Track> tracks;
    for (const DownloadEntry& entry : history) {
        const auto found = positions.constFind(entry.id);
        if (found == positions.cend())
            continue;
        const Track& track = catalogue[*found];
        if (QFileInfo::exists(folder.filePath(track.suggestedFilename())) && matches(track, query))
            tracks.append(track);
    }
    return tracks;
}

} // namespace aru::CollectionLists
