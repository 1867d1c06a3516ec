#include "CatalogLoader.h"

#include "APIClient.h"
#include "AppState.h"
#include "Log.h"

namespace aru::CatalogLoader {

QCoro::Task<bool> load(QPointer<AppState> state, Caller caller) {
    if (!state)
        co_return false;
    state->setLoadingCatalog(true);
    auto result = co_await APIClient::fetchCatalog();
    if (!state)
        co_return false;
    if (!result) {
        const QString why = result.error().description();
        Log::line(caller == Caller::Startup ? QStringLiteral("[Catalog] failed: ") + why
                                            : QStringLiteral("Catalog load failed: ") + why);
        state->setLoadingCatalog(false);
        co_return false;
    }
    SyncCatalog catalog = std::move(result).value();
    state->setTracks(catalog.tracks);
    state->setTagLibrary(catalog.tagLibrary);
    if (caller == Caller::Startup)
        Log::line(QStringLiteral("[Catalog] Loaded %1 tracks").arg(catalog.tracks.size()));
    state->setLoadingCatalog(false);
    co_return true;
}

} // namespace aru::CatalogLoader
