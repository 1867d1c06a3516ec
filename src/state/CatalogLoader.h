#pragma once

#include "CatalogValidators.h"

#include <QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <optional>

namespace aru {

class Catalog;
struct PreparedCatalog;

// Brings catalogues into the state: the copy kept from the last load, shown first at start, and
// the server's, asked for with the validators of what is shown and kept in turn. Decoding and the
// search index are made on worker threads; each result replaces the catalogue in one assignment.
// Loads from the server that overlap share one request, so a start never holds two catalogues'
// worth of documents at once.
class CatalogLoader : public QObject {
    Q_OBJECT

public:
    struct KeptCopyShown {
        int trackCount = 0;
        QDateTime loadedAt;
    };

    explicit CatalogLoader(Catalog& catalog, QObject* parent = nullptr);

    // Shows the copy kept for the current server address, unless another catalogue was shown
    // meanwhile: its first tracks as soon as they are read (a first screen, searchable at once),
    // then the whole copy. A copy that cannot be read or decoded is removed, and its first
    // tracks go again. None when the whole copy was not shown.
    QCoro::Task<std::optional<KeptCopyShown>> showKeptCopy();

    // Loads the server's catalogue. A new one replaces what is shown and is kept on disk; an
    // answer that the shown catalogue is current keeps it. On failure what is shown stays, and a
    // kept copy shown that way is flagged offline. The flag `isLoadingCatalog` is raised unless
    // a kept copy stays shown meanwhile. The failure's description, or none.
    QCoro::Task<std::optional<QString>> loadFromServer();

signals:
    void serverLoadFinished();

private:
    void show(const PreparedCatalog& prepared, const CatalogValidators& validators, bool kept);
    void catalogChanged();

    Catalog& m_catalog;
    // What identifies the catalogue shown, when one of these loads showed it.
    CatalogValidators m_shownValidators;
    bool m_showingKeptCopy = false;
    // Counts the catalogues shown, so a slower load never replaces a newer one.
    quint64 m_shownCount = 0;
    bool m_replacing = false;
    bool m_serverLoadRunning = false;
    std::optional<QString> m_lastServerFailure;
};

} // namespace aru
