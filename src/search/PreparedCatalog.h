#pragma once

#include "CatalogSearchIndex.h"
#include "Expected.h"
#include "SyncCatalog.h"

#include <QByteArray>
#include <QFuture>
#include <memory>

namespace aru {

// A catalogue decoded together with its search index, both made on a worker thread: for a large
// catalogue each takes long enough to freeze the window, and the screen can then show and search
// the catalogue at once.
struct PreparedCatalog {
    SyncCatalog catalog;
    // Built from catalog.tracks.
    std::shared_ptr<const CatalogSearchIndex> searchIndex;

    // Decodes `document`, then builds the index. A document nobody else holds is freed before
    // the index is built, so the two never weigh on memory together.
    static Decoded<PreparedCatalog> fromJson(QByteArray document);
    static QFuture<Decoded<PreparedCatalog>> fromJsonInBackground(QByteArray document);
};

} // namespace aru
