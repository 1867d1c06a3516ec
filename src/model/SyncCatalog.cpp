#include "SyncCatalog.h"

#include "CatalogDocumentReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtConcurrent/QtConcurrentRun>

namespace aru {

Decoded<SyncCatalog> SyncCatalog::fromJson(QByteArray bytes) {
    if (bytes.size() > maxDocumentBytes)
        return Decoded<SyncCatalog>::failure(QStringLiteral("catalogue document too large"));
    return CatalogDocumentReader::read(bytes);
}

QFuture<Decoded<SyncCatalog>> SyncCatalog::fromJsonInBackground(QByteArray bytes) {
    return QtConcurrent::run(
        [bytes = std::move(bytes)]() mutable { return fromJson(std::move(bytes)); });
}

QByteArray SyncCatalog::toJson() const {
    QJsonArray trackArray;
    for (const Track& track : tracks)
        trackArray.append(track.toJson());
    QJsonObject document{{QLatin1String("tracks"), trackArray}};
    if (tagLibrary)
        document.insert(QLatin1String("tagLibrary"), tagLibrary->toJson());
    return QJsonDocument(document).toJson(QJsonDocument::Compact);
}

} // namespace aru
