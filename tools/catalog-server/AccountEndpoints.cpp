#include "AccountEndpoints.h"

#include "AccountStore.h"
#include "FavoritesStore.h"
#include "RequestReader.h"
#include "Router.h"

#include <QJsonArray>
#include <httplib.h>

namespace aru::server {

namespace {

const QString kError = QStringLiteral("error");
const QString kSuccess = QStringLiteral("success");

Reply failure(int status, const QString& message) {
    return Reply::json(status, {{kSuccess, false}, {kError, message}});
}

Reply favoritesAnswer(const std::vector<std::int64_t>& ids, bool changed) {
    QJsonArray array;
    for (const std::int64_t id : ids)
        array.append(static_cast<qint64>(id));
    QJsonObject object{{QStringLiteral("trackIds"), array}};
    if (changed)
        object.insert(kSuccess, true);
    return Reply::json(200, object);
}

Reply notSignedIn() {
    return Reply::error(401, QStringLiteral("Session invalide ou expirée."));
}

} // namespace

AccountEndpoints::AccountEndpoints(AccountStore& accounts, FavoritesStore& favorites)
    : m_accounts(accounts)
    , m_favorites(favorites) {}

void AccountEndpoints::addTo(Router& router) {
    router.add("POST", "/api/sync/auth",
               [this](const auto& request, const auto&) { return auth(request); });
    router.add("GET", "/api/sync/favorites",
               [this](const auto& request, const auto&) { return listFavorites(request); });
    router.add("POST", "/api/sync/favorites",
               [this](const auto& request, const auto&) { return addFavorite(request); });
    router.add("DELETE", "/api/sync/favorites",
               [this](const auto& request, const auto&) { return removeFavorite(request); });
}

Reply AccountEndpoints::auth(const httplib::Request& request) {
    const auto body = RequestReader::jsonObject(request);
    if (!body)
        return failure(400, QStringLiteral("Requête invalide : JSON attendu."));
    const QJsonValue action = body->value(QStringLiteral("action"));
    if (action.isUndefined() || action.isNull())
        return signIn(*body);
    if (action.toString() == QLatin1String("reset"))
        return resetPassword(*body);
    return failure(400, QStringLiteral("Action inconnue."));
}

Reply AccountEndpoints::signIn(const QJsonObject& body) {
    const QJsonValue email = body.value(QStringLiteral("email"));
    const QJsonValue password = body.value(QStringLiteral("password"));
    if (!email.isString() || !password.isString() || email.toString().trimmed().isEmpty())
        return failure(400, QStringLiteral("Adresse e-mail et mot de passe requis."));

    const AccountStore::SignIn result = m_accounts.signIn(email.toString(), password.toString());
    switch (result.outcome) {
    case AccountStore::Outcome::WrongCredentials:
        return failure(401, QStringLiteral("Email ou mot de passe incorrect"));
    case AccountStore::Outcome::NotApproved:
        return failure(403, QStringLiteral("Votre compte est en attente de validation."));
    case AccountStore::Outcome::SignedIn:
        break;
    }
    const QJsonObject user{{QStringLiteral("email"), result.account.email},
                           {QStringLiteral("id"), result.account.userId}};
    return Reply::json(200, {{kSuccess, true},
                             {QStringLiteral("token"), result.token},
                             {QStringLiteral("user"), user}});
}

Reply AccountEndpoints::resetPassword(const QJsonObject& body) {
    const QJsonValue email = body.value(QStringLiteral("email"));
    if (!email.isString() || email.toString().trimmed().isEmpty())
        return failure(400, QStringLiteral("Adresse e-mail requise."));
    if (!m_accounts.knows(email.toString()))
        return failure(404, QStringLiteral("Aucun compte n'est associé à cette adresse."));
    return Reply::json(200, {{kSuccess, true},
                             {QStringLiteral("message"),
                              QStringLiteral("Un e-mail de réinitialisation a été envoyé.")}});
}

std::optional<QString> AccountEndpoints::signedInEmail(const httplib::Request& request) const {
    const QString token = RequestReader::bearerToken(request);
    if (token.isEmpty())
        return std::nullopt;
    return m_accounts.emailForToken(token);
}

Reply AccountEndpoints::listFavorites(const httplib::Request& request) {
    const auto email = signedInEmail(request);
    if (!email)
        return notSignedIn();
    return favoritesAnswer(m_favorites.list(*email), false);
}

Reply AccountEndpoints::addFavorite(const httplib::Request& request) {
    const auto email = signedInEmail(request);
    if (!email)
        return notSignedIn();
    const auto body = RequestReader::jsonObject(request);
    const auto trackId =
        body ? RequestReader::integer(body->value(QStringLiteral("trackId"))) : std::nullopt;
    if (!trackId)
        return Reply::error(400, QStringLiteral("trackId (entier) requis."));
    return favoritesAnswer(m_favorites.add(*email, *trackId), true);
}

Reply AccountEndpoints::removeFavorite(const httplib::Request& request) {
    const auto email = signedInEmail(request);
    if (!email)
        return notSignedIn();
    const auto trackId = RequestReader::integer(request.get_param_value("trackId"));
    if (!trackId)
        return Reply::error(400, QStringLiteral("trackId (entier) requis."));
    return favoritesAnswer(m_favorites.remove(*email, *trackId), true);
}

} // namespace aru::server
