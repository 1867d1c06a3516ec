// Favourites: local first, mirrored on the server per account.
#include "APIClient.h"
#include "AppState.h"
#include "Log.h"

namespace aru {

namespace {

// Holds only what it was given, so it may outlive the state object.
QCoro::Task<> tellServer(QString token, TrackId trackId, bool wasFavorite) {
    // Two statements rather than one conditional: GCC 12 miscompiles co_await inside ?:.
    ApiResult<Done> result;
    if (wasFavorite)
        result = co_await APIClient::removeFavorite(token, trackId);
    else
        result = co_await APIClient::addFavorite(token, trackId);
    if (!result)
        Log::line(QStringLiteral("[Favorites] cloud sync failed for %1: %2")
                      .arg(trackId)
                      .arg(result.error().description()));
}

} // namespace

void AppState::toggleFavorite(qint64 trackId) {
    const bool wasFavorite = m_favorites.contains(trackId);
    QList<TrackId> favorites = m_favorites;
    if (wasFavorite)
        favorites.removeAll(trackId);
    else
        favorites.prepend(trackId);
    setFavorites(favorites);
    persist();
    if (m_userToken.isEmpty())
        return;
    // Not awaited: the local list is already the one shown, and a refusal is only logged.
    tellServer(m_userToken, trackId, wasFavorite);
}

QCoro::Task<> AppState::refreshFavoritesFromServer() {
    if (m_userToken.isEmpty())
        co_return;
    const QPointer<AppState> self(this);
    const auto remote = co_await APIClient::fetchFavorites(m_userToken);
    if (!self || !remote)
        co_return;
    if (!remote->isEmpty() || m_favorites.isEmpty()) {
        setFavorites(*remote);
        persist();
        co_return;
    }
    // The account has none yet: upload the local list, one at a time, then read it back.
    const QList<TrackId> local = m_favorites;
    for (const TrackId id : local) {
        co_await APIClient::addFavorite(m_userToken, id);
        if (!self)
            co_return;
    }
    const auto uploaded = co_await APIClient::fetchFavorites(m_userToken);
    if (!self || !uploaded)
        co_return;
    setFavorites(*uploaded);
    persist();
}

} // namespace aru
