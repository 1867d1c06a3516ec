#pragma once

#include "Expected.h"
#include "SyncCatalog.h"

#include <QByteArray>

namespace aru {

// The first tracks of a catalogue document, read from its beginning alone: enough for a first
// screen while the whole document is still being decoded. The beginning must open the document
// with its "tracks" array; the tracks it holds whole are decoded with the document's own rules
// (the tag library, which comes last, is left out). Fails when the beginning holds no whole track
// or is laid out otherwise.
class CatalogPreview {
public:
    static Decoded<SyncCatalog> fromBeginning(const QByteArray& beginning);
};

} // namespace aru
