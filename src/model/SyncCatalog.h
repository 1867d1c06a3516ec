#pragma once

#include "Expected.h"
#include "TagLibrary.h"
#include "Track.h"

#include <QByteArray>
#include <QFuture>
#include <QList>
#include <optional>

namespace aru {

// The catalogue document: every track, in server order, and the optional tag vocabulary.
struct SyncCatalog {
    QList<Track> tracks;
    std::optional<TagLibrary> tagLibrary;

    // The largest catalogue document the app accepts. Far beyond any real catalogue (100,000
    // tracks weigh about 100 MB), and small enough that loading one, which holds the document,
    // its records and the parser's work at once, still fits an ordinary desktop's memory.
    static constexpr qsizetype maxDocumentBytes = qsizetype(512) * 1024 * 1024;

    // Decodes the server's answer. The whole document must be valid JSON; one track without a
    // valid id, title or artist, a missing "tracks" array or a malformed "tagLibrary" rejects it
    // all. Fast enough for 100,000 tracks, but meant to run off the main thread. Bytes with
    // CatalogDocumentReader::padding bytes of spare capacity are read without a copy.
    static Decoded<SyncCatalog> fromJson(QByteArray bytes);
    // The same on a worker thread, so a large catalogue never stalls the window.
    static QFuture<Decoded<SyncCatalog>> fromJsonInBackground(QByteArray bytes);
    QByteArray toJson() const;

    friend bool operator==(const SyncCatalog&, const SyncCatalog&) = default;
};

} // namespace aru
