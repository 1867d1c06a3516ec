#pragma once

#include "CatalogSearchIndex.h"
#include "Track.h"

#include <QList>

// The search rules applied literally, lower-casing every field of every track on every call.
// Too slow for typing in a large catalogue, but obviously right: CatalogSearchIndex is checked
// against it and measured against it.
namespace aru::CatalogSearchReference {

CatalogSearchIndex::Result search(const QList<Track>& tracks,
                                  const CatalogSearchIndex::Query& query);

} // namespace aru::CatalogSearchReference
