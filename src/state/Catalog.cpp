#include "Catalog.h"

#include "ChangeNotification.h"

namespace aru {

Catalog::Catalog(QObject* parent)
    : QObject(parent) {}

void Catalog::replace(const SyncCatalog& catalog,
                      std::shared_ptr<const CatalogSearchIndex> searchIndex) {
    // A load always brings a catalogue of its own: comparing a large one with the one shown
    // would hold the window up longer than telling the views.
    m_tracks = catalog.tracks;
    m_searchIndex = std::move(searchIndex);
    emit tracksChanged();
    setTagLibrary(catalog.tagLibrary);
}

void Catalog::setTracks(const QList<Track>& tracks) {
    if (m_tracks == tracks)
        return;
    m_tracks = tracks;
    m_searchIndex.reset();
    emit tracksChanged();
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

void Catalog::setShowingOfflineCopy(bool showing) {
    assignAndNotify(this, m_isShowingOfflineCopy, showing, &Catalog::isShowingOfflineCopyChanged);
}

QVariant Catalog::tagLibraryValue() const {
    return m_tagLibrary ? QVariant::fromValue(*m_tagLibrary) : QVariant();
}

} // namespace aru
