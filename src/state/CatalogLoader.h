#pragma once

#include <QCoroTask>
#include <QPointer>

namespace aru {

class AppState;

// Fetches the catalogue into the application state, raising isLoadingCatalog while it works. On
// failure the previous tracks and tag library stay and nothing reaches the screen: the failure
// is only logged. The two callers log differently.
namespace CatalogLoader {

enum class Caller {
    // A restored session's start-up: "[Catalog] Loaded N tracks" / "[Catalog] failed: …".
    Startup,
    // Right after a sign-in: only a failure is logged, as "Catalog load failed: …".
    SignIn,
};

// True when the catalogue was replaced. Does nothing but wait when the state goes away
// meanwhile.
QCoro::Task<bool> load(QPointer<AppState> state, Caller caller);

} // namespace CatalogLoader
} // namespace aru
