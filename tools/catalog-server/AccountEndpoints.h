#pragma once

#include "Reply.h"

#include <QJsonObject>
#include <optional>

namespace httplib {
struct Request;
}

namespace aru::server {

class AccountStore;
class FavoritesStore;
class Router;

// Sign-in, password reset and the signed-in account's favourites.
class AccountEndpoints {
public:
    AccountEndpoints(AccountStore& accounts, FavoritesStore& favorites);

    void addTo(Router& router);

private:
    Reply auth(const httplib::Request& request);
    Reply signIn(const QJsonObject& body);
    Reply resetPassword(const QJsonObject& body);
    Reply listFavorites(const httplib::Request& request);
    Reply addFavorite(const httplib::Request& request);
    Reply removeFavorite(const httplib::Request& request);
    std::optional<QString> signedInEmail(const httplib::Request& request) const;

    AccountStore& m_accounts;
    FavoritesStore& m_favorites;
};

} // namespace aru::server
