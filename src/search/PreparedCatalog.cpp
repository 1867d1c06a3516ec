#include "PreparedCatalog.h"

#include <QtConcurrent/QtConcurrentRun>

namespace aru {

Decoded<PreparedCatalog> PreparedCatalog::fromJson(QByteArray document) {
    auto decoded = SyncCatalog::fromJson(std::move(document));
    if (!decoded)
        return Decoded<PreparedCatalog>::failure(decoded.error());
    PreparedCatalog prepared{std::move(decoded).value(), nullptr};
    prepared.searchIndex = std::make_shared<const CatalogSearchIndex>(prepared.catalog.tracks);
    return Decoded<PreparedCatalog>::success(std::move(prepared));
}

QFuture<Decoded<PreparedCatalog>> PreparedCatalog::fromJsonInBackground(QByteArray document) {
    return QtConcurrent::run(
        [document = std::move(document)]() mutable { return fromJson(std::move(document)); });
}

} // namespace aru
