#pragma once

#include "Expected.h"
#include "SyncCatalog.h"

#include <QByteArray>
#include <cstddef>

namespace aru {

// Reads the catalogue document in one pass over its bytes with simdjson's on-demand parser:
// texts are built straight from the bytes (only the rare escaped ones are unescaped first), so
// decoding holds the bytes, the parser's index of their structure (about half their size) and
// the records being built, and never a whole document tree beside them.
//
// On-demand parsing checks only what it is asked to read, so every value is read or checked,
// including those of keys the catalogue ignores: a document that is not valid JSON anywhere
// fails as a whole, as it would with a parser that builds the tree.
class CatalogDocumentReader {
public:
    // Bytes the parser may read past the end of the document; a buffer with this much spare
    // capacity is read where it lies.
    static const std::size_t padding;
    // Nesting deeper than this is refused: a hostile document cannot exhaust the stack.
    static constexpr int maxDepth = 1024;

    // `bytes` is read in place when it has `padding` bytes of spare capacity, else copied once.
    static Decoded<SyncCatalog> read(const QByteArray& bytes);
};

} // namespace aru
