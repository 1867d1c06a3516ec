#pragma once

#include "Track.h"

#include <QDBusObjectPath>
#include <QString>
#include <QVariantMap>

// What the desktop's media controls are told about the track that plays.
namespace aru::MprisMetadata {

// The track's D-Bus object path, under the app's own name space. Ids may be negative, and a path
// element takes only letters, digits and "_".
QDBusObjectPath trackPath(TrackId id);

// The Metadata map of the player interface: trackid, title, artist (a list), album, the length in
// microseconds once known (`durationSeconds` > 0) and the cover as a file:// URL when a cached
// file exists (`coverFile` not empty).
QVariantMap forTrack(const Track& track, double durationSeconds, const QString& coverFile);

} // namespace aru::MprisMetadata
