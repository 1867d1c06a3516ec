#pragma once

#include "CatalogSearchIndex.h"
#include "Track.h"

#include <QList>

// The search rules applied literally, one case-insensitive comparison per field and track on
// every call: the straightforward way, with nothing prepared per catalogue. CatalogSearchIndex
// is checked against it and measured against it.
namespace aru::CatalogSearchReference {

CatalogSearchIndex::Result search(const QList<Track>& tracks,
                                  const CatalogSearchIndex::Query& query);

} // namespace aru::CatalogSearchReference
