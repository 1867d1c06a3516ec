#include "CatalogLoader.h"

#include "APIClient.h"
#include "Catalog.h"
#include "CatalogPreview.h"
#include "KeptCatalog.h"
#include "PreparedCatalog.h"
#include "ServerAddress.h"

#include <QCoroFuture>
#include <QCoroSignal>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace aru {

namespace {

struct OpenedCopy {
    PreparedCatalog prepared;
    CatalogValidators validators;
    QDateTime loadedAt;
};

// Worker thread: reads and decodes the kept copy. One that turns out unusable is removed, so the
// next start does not trip over it again.
Decoded<OpenedCopy> openKeptCopy(const KeptCatalog& kept) {
    auto read = kept.read();
    if (!read) {
        kept.remove();
        return Decoded<OpenedCopy>::failure(read.error());
    }
    KeptCatalog::Copy copy = std::move(read).value();
    auto prepared = PreparedCatalog::fromJson(std::move(copy.document));
    if (!prepared) {
        kept.remove();
        return Decoded<OpenedCopy>::failure(prepared.error());
    }
    return Decoded<OpenedCopy>::success(
        OpenedCopy{std::move(prepared).value(), copy.validators, copy.loadedAt});
}

// Worker thread: the first tracks of the kept copy, from the part of it that is checked alone.
Decoded<SyncCatalog> openKeptBeginning(const KeptCatalog& kept) {
    auto read = kept.readBeginning();
    if (!read)
        return Decoded<SyncCatalog>::failure(read.error());
    return CatalogPreview::fromBeginning(read->document);
}

// Worker thread: compressing a large document takes a while, and the screen need not wait.
void keepInBackground(const KeptCatalog& kept, QByteArray document,
                      const CatalogValidators& validators, const QDateTime& loadedAt) {
    QThreadPool::globalInstance()->start(
        [kept, document = std::move(document), validators, loadedAt]() mutable {
            kept.write(document, validators, loadedAt);
            document = QByteArray();
        });
}

} // namespace

CatalogLoader::CatalogLoader(Catalog& catalog, QObject* parent)
    : QObject(parent)
    , m_catalog(catalog) {
    connect(&m_catalog, &Catalog::tracksChanged, this, &CatalogLoader::catalogChanged);
}

void CatalogLoader::catalogChanged() {
    if (m_replacing)
        return;
    // Someone else put this catalogue here: nothing is known about it.
    m_shownValidators = {};
    m_showingKeptCopy = false;
    ++m_shownCount;
}

void CatalogLoader::show(const PreparedCatalog& prepared, const CatalogValidators& validators,
                         bool kept) {
    m_shownValidators = validators;
    m_showingKeptCopy = kept;
    ++m_shownCount;
    m_replacing = true;
    m_catalog.replace(prepared.catalog, prepared.searchIndex);
    m_replacing = false;
}

QCoro::Task<std::optional<CatalogLoader::KeptCopyShown>> CatalogLoader::showKeptCopy() {
    const KeptCatalog kept = KeptCatalog::forServer(ServerAddress::baseUrl());
    if (!kept.exists())
        co_return std::nullopt;
    const QPointer<CatalogLoader> self(this);
    const quint64 shownBefore = m_shownCount;
    // Both at once: the first tracks are on screen long before the whole copy is decoded.
    QFuture<Decoded<SyncCatalog>> beginning = QtConcurrent::run(&openKeptBeginning, kept);
    QFuture<Decoded<OpenedCopy>> opening = QtConcurrent::run(&openKeptCopy, kept);
    const Decoded<SyncCatalog> firstTracks = co_await beginning;
    if (!self)
        co_return std::nullopt;
    const bool previewed = firstTracks && self->m_shownCount == shownBefore;
    if (previewed) {
        self->show(PreparedCatalog{firstTracks.value(), nullptr}, {}, true);
        self->m_catalog.setLoadingCatalog(false);
    }
    const quint64 shownWithPreview = self->m_shownCount;
    const Decoded<OpenedCopy> opened = co_await opening;
    if (!self || self->m_shownCount != shownWithPreview)
        co_return std::nullopt;
    if (!opened) {
        // The first tracks came from a copy that turned out unusable: they go.
        if (previewed) {
            self->show(PreparedCatalog{}, {}, false);
            self->m_catalog.setLoadingCatalog(true);
        }
        co_return std::nullopt;
    }
    self->show(opened->prepared, opened->validators, true);
    co_return KeptCopyShown{int(opened->prepared.catalog.tracks.size()), opened->loadedAt};
}

QCoro::Task<std::optional<QString>> CatalogLoader::loadFromServer() {
    const QPointer<CatalogLoader> self(this);
    if (m_serverLoadRunning) {
        co_await qCoro(this, &CatalogLoader::serverLoadFinished);
        co_return self ? self->m_lastServerFailure : std::nullopt;
    }
    m_serverLoadRunning = true;
    if (!m_showingKeptCopy)
        m_catalog.setLoadingCatalog(true);
    const KeptCatalog kept = KeptCatalog::forServer(ServerAddress::baseUrl());
    const quint64 shownBefore = m_shownCount;
    const CatalogValidators known = m_shownValidators;

    auto answer = co_await APIClient::downloadCatalog(known);
    if (!self)
        co_return std::nullopt;
    std::optional<QString> failure;
    if (!answer) {
        failure = answer.error().description();
    } else if (!answer->notModified) {
        const QDateTime loadedAt = QDateTime::currentDateTimeUtc();
        CatalogDownload download = std::move(answer).value();
        // The document stays here until it is kept, so the decode only shares it.
        QFuture<Decoded<PreparedCatalog>> preparing =
            PreparedCatalog::fromJsonInBackground(download.document);
        const Decoded<PreparedCatalog> prepared = co_await preparing;
        if (!self)
            co_return std::nullopt;
        if (!prepared) {
            failure = RequestError(APIError::decoding(prepared.error())).description();
        } else {
            self->show(prepared.value(), download.validators, false);
            keepInBackground(kept, std::move(download.document), download.validators, loadedAt);
        }
    } else if (self->m_shownCount == shownBefore) {
        // The server confirmed the catalogue shown: it is no longer an old copy.
        self->m_showingKeptCopy = false;
    }
    self->m_catalog.setLastLoadError(failure);
    self->m_catalog.setShowingOfflineCopy(failure && self->m_showingKeptCopy);
    self->m_catalog.setLoadingCatalog(false);
    self->m_serverLoadRunning = false;
    self->m_lastServerFailure = failure;
    emit self->serverLoadFinished();
    co_return failure;
}

} // namespace aru
