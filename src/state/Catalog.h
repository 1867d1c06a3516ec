#pragma once

#include "CatalogSearchIndex.h"
#include "SyncCatalog.h"
#include "TagLibrary.h"
#include "Track.h"

#include <QList>
#include <QObject>
#include <QVariant>
#include <QtQmlIntegration>
#include <memory>
#include <optional>

namespace aru {

// The loaded catalogue: its tracks in server order, its tag vocabulary and whether a load is
// running. Only the session's loads change it; views read it.
class Catalog : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The catalogue is AppState.catalog")

    Q_PROPERTY(QList<aru::Track> tracks READ tracks NOTIFY tracksChanged)
    // The number of tracks, for views that need no more than that.
    Q_PROPERTY(int trackCount READ trackCount NOTIFY tracksChanged)
    // Undefined in QML while the catalogue has none.
    Q_PROPERTY(QVariant tagLibrary READ tagLibraryValue NOTIFY tagLibraryChanged)
    Q_PROPERTY(bool isLoadingCatalog READ isLoadingCatalog NOTIFY isLoadingCatalogChanged)
    // Whether the last load failed, and why: a screen with no catalogue says so instead of
    // looking empty.
    Q_PROPERTY(bool lastLoadFailed READ lastLoadFailed NOTIFY lastLoadFailedChanged)
    Q_PROPERTY(QString lastLoadError READ lastLoadError NOTIFY lastLoadFailedChanged)
    // The catalogue shown is the copy kept from an earlier load, because the server could not be
    // reached: the catalogue screen says so under its search bar ("catalog.offline.notice").
    // False again once a fresh catalogue arrives.
    Q_PROPERTY(
        bool isShowingOfflineCopy READ isShowingOfflineCopy NOTIFY isShowingOfflineCopyChanged)

public:
    explicit Catalog(QObject* parent = nullptr);

    const QList<Track>& tracks() const { return m_tracks; }
    int trackCount() const { return int(m_tracks.size()); }
    const std::optional<TagLibrary>& tagLibrary() const { return m_tagLibrary; }
    bool isLoadingCatalog() const { return m_isLoadingCatalog; }
    bool lastLoadFailed() const { return m_lastLoadError.has_value(); }
    QString lastLoadError() const { return m_lastLoadError.value_or(QString()); }
    bool isShowingOfflineCopy() const { return m_isShowingOfflineCopy; }
    // The search index made with the tracks, when the load made one; none after setTracks().
    const std::shared_ptr<const CatalogSearchIndex>& searchIndex() const { return m_searchIndex; }

    // Shows a freshly loaded catalogue: the tracks first, then the tag library. `searchIndex`,
    // when given, was built from catalog.tracks.
    void replace(const SyncCatalog& catalog,
                 std::shared_ptr<const CatalogSearchIndex> searchIndex = nullptr);
    void setTracks(const QList<Track>& tracks);
    void setTagLibrary(const std::optional<TagLibrary>& library);
    void setLoadingCatalog(bool loading);
    // The description of the last load's failure; none after a load that succeeded.
    void setLastLoadError(const std::optional<QString>& description);
    void setShowingOfflineCopy(bool showing);

signals:
    void tracksChanged();
    void tagLibraryChanged();
    void isLoadingCatalogChanged();
    void lastLoadFailedChanged();
    void isShowingOfflineCopyChanged();

private:
    QVariant tagLibraryValue() const;

    QList<Track> m_tracks;
    std::optional<TagLibrary> m_tagLibrary;
    std::shared_ptr<const CatalogSearchIndex> m_searchIndex;
    bool m_isLoadingCatalog = false;
    std::optional<QString> m_lastLoadError;
    bool m_isShowingOfflineCopy = false;
};

} // namespace aru
