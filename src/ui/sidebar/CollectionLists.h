#pragma once

#include "DownloadEntry.h"
#include "Track.h"

#include <QList>
#include <QString>

namespace aru {

// The two lists of the user's collection that the sidebar shows, each narrowed by the sidebar's
// own filter text.
namespace CollectionLists {

// The filter text as tracks are compared with it: without surrounding white space, lower-cased.
QString normalizedQuery(const QString& filterText);

// Whether the track matches a normalized query: every track matches the empty query; otherwise
// the query is contained in the lower-cased title, artist, album, genre or one of the moods.
bool matches(const Track& track, const QString& query);

// For each favourite id in its order, the catalogue's first track with that id (ids without one
// are left out), narrowed by the filter text.
QList<Track> favoriteTracks(const QList<Track>& catalogue, const QList<TrackId>& favorites,
                            const QString& filterText);

// For each history entry in its order, the catalogue's first track with that id, kept only while
// its file is still in `downloadFolder` under the track's suggested name, narrowed by the filter
// text. An id the history holds twice is listed twice.
QList<Track> downloadedTracks(const QList<Track>& catalogue, const QList<DownloadEntry>& history,
                              const QString& downloadFolder, const QString& filterText);

} // namespace CollectionLists
} // namespace aru
