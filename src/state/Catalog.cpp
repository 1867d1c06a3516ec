#include "Catalog.h"

#include "ChangeNotification.h"

namespace aru {

Catalog::Catalog(QObject* parent)
    : QObject(parent) {}

void Catalog::replace(const SyncCatalog& catalog) {
    setTracks(catalog.tracks);
    setTagLibrary(catalog.tagLibrary);
}

void Catalog::setTracks(const QList<Track>& tracks) {
    assignAndNotify(this, m_tracks, tracks, &Catalog::tracksChanged);
}

void Catalog::setTagLibrary(const std::optional<TagLibrary>& library) {
    assignAndNotify(this, m_tagLibrary, library, &Catalog::tagLibraryChanged);
}

void Catalog::setLoadingCatalog(bool loading) {
    assignAndNotify(this, m_isLoadingCatalog, loading, &Catalog::isLoadingCatalogChanged);
}

void Catalog::setLastLoadError(const std::optional<QString>& description) {
    assignAndNotify(this, m_lastLoadError, description, &Catalog::lastLoadFailedChanged);
}

QVariant Catalog::tagLibraryValue() const {
    return m_tagLibrary ? QVariant::fromValue(*m_tagLibrary) : QVariant();
}

} // namespace aru
