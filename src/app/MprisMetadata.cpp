#include "MprisMetadata.h"

#include <QDBusVariant>
#include <QUrl>

namespace aru::MprisMetadata {

QDBusObjectPath trackPath(TrackId id) {
    // "-12" becomes "n12".
    QString number = QString::number(id);
    if (number.startsWith(QLatin1Char('-')))
        number.replace(0, 1, QLatin1Char('n'));
    return QDBusObjectPath(QStringLiteral("/com/aru_records/ARUSync/track/") + number);
}

QVariantMap forTrack(const Track& track, double durationSeconds, const QString& coverFile) {
    QVariantMap map{
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(trackPath(track.id))},
        {QStringLiteral("xesam:title"), track.title},
        {QStringLiteral("xesam:artist"), QStringList{track.artist}},
    };
    if (track.album && !track.album->isEmpty())
        map.insert(QStringLiteral("xesam:album"), *track.album);
    if (durationSeconds > 0)
        map.insert(QStringLiteral("mpris:length"), qint64(durationSeconds * 1e6));
    if (!coverFile.isEmpty())
        map.insert(QStringLiteral("mpris:artUrl"), QUrl::fromLocalFile(coverFile).toString());
    return map;
}

} // namespace aru::MprisMetadata
