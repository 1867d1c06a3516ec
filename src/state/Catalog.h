#pragma once

#include "SyncCatalog.h"
#include "TagLibrary.h"
#include "Track.h"

#include <QList>
#include <QObject>
#include <QVariant>
#include <QtQmlIntegration>
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

public:
    explicit Catalog(QObject* parent = nullptr);

    const QList<Track>& tracks() const { return m_tracks; }
    int trackCount() const { return int(m_tracks.size()); }
    const std::optional<TagLibrary>& tagLibrary() const { return m_tagLibrary; }
    bool isLoadingCatalog() const { return m_isLoadingCatalog; }
    bool lastLoadFailed() const { return m_lastLoadError.has_value(); }
    QString lastLoadError() const { return m_lastLoadError.value_or(QString()); }

    // Shows a freshly loaded catalogue: the tracks first, then the tag library.
    void replace(const SyncCatalog& catalog);
    void setTracks(const QList<Track>& tracks);
    void setTagLibrary(const std::optional<TagLibrary>& library);
    void setLoadingCatalog(bool loading);
    // The description of the last load's failure; none after a load that succeeded.
    void setLastLoadError(const std::optional<QString>& description);

signals:
    void tracksChanged();
    void tagLibraryChanged();
    void isLoadingCatalogChanged();
    void lastLoadFailedChanged();

private:
    QVariant tagLibraryValue() const;

    QList<Track> m_tracks;
    std::optional<TagLibrary> m_tagLibrary;
    bool m_isLoadingCatalog = false;
    std::optional<QString> m_lastLoadError;
};

} // namespace aru
