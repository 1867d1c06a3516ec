#pragma once

#include "CatalogValidators.h"
#include "Expected.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace aru {

// The last catalogue document a server sent, kept compressed in the user's cache folder so that
// the next start can show the catalogue before the server answers, or without it. One copy per
// server address; the catalogue is the label's public list, so it outlives the session. Plain
// file work, meant for worker threads: nothing is shared between calls.
class KeptCatalog {
public:
    struct Copy {
        // With CatalogDocumentReader::padding bytes of spare capacity, for the decoder.
        QByteArray document;
        CatalogValidators validators;
        // When the server sent it, in UTC.
        QDateTime loadedAt;
    };

    // The start of the document that is compressed on its own: a few hundred tracks, enough for
    // a first screen, readable without decompressing the rest.
    static constexpr qsizetype firstPartBytes = 256 * 1024;

    // The copy for the server at `baseUrl`, in the "Catalog" folder of the app's caches.
    static KeptCatalog forServer(const QString& baseUrl);
    explicit KeptCatalog(QString path);

    QString path() const { return m_path; }
    bool exists() const;

    // The copy, or why there is none usable: no file, or a truncated, corrupt or foreign one.
    Decoded<Copy> read() const;
    // The same with only the document's first part (firstPartBytes or less), checked alone.
    Decoded<Copy> readBeginning() const;
    // Replaces the copy whole: a new file is written beside it and renamed over it, so a reader
    // sees the old copy or the new one, never part of either. False, leaving the old copy, when
    // that fails.
    bool write(const QByteArray& document, const CatalogValidators& validators,
               const QDateTime& loadedAt) const;
    void remove() const;

private:
    QString m_path;
};

} // namespace aru
