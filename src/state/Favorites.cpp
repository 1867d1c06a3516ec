#include "Favorites.h"

#include "APIClient.h"
#include "ChangeNotification.h"
#include "Credentials.h"
#include "JsonFields.h"
#include "Log.h"
#include "SettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>

namespace aru {

namespace {

const QString favoritesKey = QStringLiteral("aru.favorites");
const QString ownerKey = QStringLiteral("aru.favorites.owner");

} // namespace

QCoro::Task<> Favorites::tellServer(QPointer<Favorites> favorites, QString token, TrackId trackId,
                                    bool wasFavorite) {
    // Two statements rather than one conditional: GCC 12 miscompiles co_await inside ?:.
    ApiResult<Done> result;
    if (wasFavorite)
        result = co_await APIClient::removeFavorite(token, trackId);
    else
        result = co_await APIClient::addFavorite(token, trackId);
    if (result)
        co_return;
    Log::line(QStringLiteral("[Favorites] cloud sync failed for %1: %2")
                  .arg(trackId)
                  .arg(result.error().description()));
    if (favorites)
        favorites->noteFailure(result.error(), token);
}

Favorites::Favorites(SettingsStore& settings, const Credentials& credentials, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_credentials(credentials) {
    // Anything unreadable is ignored: the list starts empty.
    if (const auto bytes = m_settings.bytes(favoritesKey)) {
        if (const auto favorites = decode(*bytes))
            m_favorites = *favorites;
    }
    m_owner = m_settings.string(ownerKey).value_or(QString());
}

std::optional<QList<TrackId>> Favorites::decode(const QByteArray& bytes) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<TrackId> ids;
    const QJsonArray array = document.array();
    ids.reserve(array.size());
    for (const QJsonValue& value : array) {
        const auto id = JsonFields::integer(value);
        if (!id)
            return std::nullopt;
        ids.append(*id);
    }
    return ids;
}

QByteArray Favorites::encode(const QList<TrackId>& ids) {
    QJsonArray array;
    for (const TrackId id : ids)
        array.append(id);
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

void Favorites::setFavorites(const QList<TrackId>& favorites, const QString& owner) {
    // One write for whatever changed of the two.
    QList<std::pair<QString, QVariant>> changed;
    if (assignAndNotify(this, m_favorites, favorites, &Favorites::favoritesChanged))
        changed.append({favoritesKey, encode(m_favorites)});
    if (m_owner != owner) {
        m_owner = owner;
        changed.append({ownerKey, m_owner});
    }
    if (!changed.isEmpty())
        m_settings.setValues(changed);
}

bool Favorites::belongsTo(const QString& account) const {
    // A list stored before its account was remembered goes to the first account that signs in.
    return m_owner.isEmpty() || m_owner.compare(account, Qt::CaseInsensitive) == 0;
}

void Favorites::noteFailure(const RequestError& error, const QString& token) {
    if (error.refusedTheSession())
        emit sessionRefused(token);
}

void Favorites::toggleFavorite(qint64 trackId) {
    const bool wasFavorite = m_favorites.contains(trackId);
    QList<TrackId> favorites = m_favorites;
    if (wasFavorite)
        favorites.removeAll(trackId);
    else
        favorites.prepend(trackId);
    const bool signedIn = !m_credentials.token.isEmpty();
    setFavorites(favorites, signedIn && m_owner.isEmpty() ? m_credentials.email : m_owner);
    if (!signedIn)
        return;
    // Not awaited: the local list is already the one shown, and a refusal is only logged.
    tellServer(this, m_credentials.token, trackId, wasFavorite);
}

QCoro::Task<> Favorites::refreshFavoritesFromServer() {
    const QString token = m_credentials.token;
    const QString account = m_credentials.email;
    if (token.isEmpty())
        co_return;
    const QPointer<Favorites> self(this);
    const auto remote = co_await APIClient::fetchFavorites(token);
    if (!self)
        co_return;
    if (!remote) {
        noteFailure(remote.error(), token);
        co_return;
    }
    // Another account's list is never uploaded: this account's own, even an empty one, replaces
    // it.
    if (!remote->isEmpty() || m_favorites.isEmpty() || !belongsTo(account)) {
        setFavorites(remote.value(), account);
        co_return;
    }
    // The account has none yet: upload the local list, one at a time, then read it back. A
    // session that ends meanwhile stops the upload.
    const QList<TrackId> local = m_favorites;
    for (const TrackId id : local) {
        const auto added = co_await APIClient::addFavorite(token, id);
        if (!self || m_credentials.token != token)
            co_return;
        if (!added && added.error().refusedTheSession()) {
            noteFailure(added.error(), token);
            co_return;
        }
    }
    const auto uploaded = co_await APIClient::fetchFavorites(token);
    if (!self || m_credentials.token != token)
        co_return;
    if (!uploaded) {
        noteFailure(uploaded.error(), token);
        co_return;
    }
    setFavorites(uploaded.value(), account);
}

} // namespace aru
