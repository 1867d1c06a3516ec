#include "Session.h"

#include "Catalog.h"
#include "ChangeNotification.h"
#include "Credentials.h"
#include "Favorites.h"
#include "Log.h"
#include "SettingsStore.h"

#include <QPointer>

namespace aru {

namespace {

const QString emailKey = QStringLiteral("aru.user.email");
const QString tokenKey = QStringLiteral("aru.user.token");

} // namespace

Session::Session(SettingsStore& settings, Credentials& credentials, Catalog& catalog,
                 Favorites& favorites, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_credentials(credentials)
    , m_catalog(catalog)
    , m_favorites(favorites)
    , m_catalogLoader(catalog) {
    m_credentials.email = m_settings.string(emailKey).value_or(QString());
    m_credentials.token = m_settings.string(tokenKey).value_or(QString());
    m_isLoggedIn = !m_credentials.token.isEmpty();
    connect(&m_favorites, &Favorites::sessionRefused, this, &Session::endRefusedSession);
}

QString Session::userEmail() const {
    return m_credentials.email;
}

QString Session::userToken() const {
    return m_credentials.token;
}

void Session::setCredentials(const QString& email, const QString& token) {
    const bool emailChanged = m_credentials.email != email;
    m_credentials.email = email;
    m_credentials.token = token;
    m_settings.setValues({{emailKey, email}, {tokenKey, token}});
    if (emailChanged)
        emit userEmailChanged();
}

void Session::signIn(const QString& email, const QString& token) {
    setCredentials(email, token);
    assignAndNotify(this, m_sessionExpired, false, &Session::sessionExpiredChanged);
    assignAndNotify(this, m_isLoggedIn, true, &Session::isLoggedInChanged);
    // Two independent tasks that may finish in either order; neither is awaited here.
    loadCatalogAfterSignIn();
    m_favorites.refreshFavoritesFromServer();
}

QCoro::Task<> Session::loadCatalogAfterSignIn() {
    const auto failure = co_await m_catalogLoader.loadFromServer();
    if (failure)
        Log::line(QStringLiteral("Catalog load failed: ") + *failure);
}

void Session::logout() {
    endSession(false);
}

void Session::endRefusedSession(const QString& token) {
    // A late answer to a session that is already over, or was replaced, ends nothing.
    if (!m_isLoggedIn || token.isEmpty() || token != m_credentials.token)
        return;
    Log::line(QStringLiteral("[Session] expired: the server refused the session (HTTP 401); "
                             "signed out"));
    endSession(true);
}

void Session::endSession(bool expired) {
    // The sign-in screen that replaces the signed-in one finds the notice already set.
    assignAndNotify(this, m_sessionExpired, expired, &Session::sessionExpiredChanged);
    // The screens swap first; the account's details go after.
    assignAndNotify(this, m_isLoggedIn, false, &Session::isLoggedInChanged);
    setCredentials(QString(), QString());
}

void Session::start() {
    startUp();
}

QCoro::Task<> Session::startUp() {
    if (m_started)
        co_return;
    // Started once, signed in or not: a session that begins later is the sign-in's business.
    m_started = true;
    if (!m_isLoggedIn)
        co_return;
    const QPointer<Session> self(this);
    if (m_catalog.tracks().isEmpty()) {
        // Nothing to show until the kept copy or the server's catalogue is ready.
        m_catalog.setLoadingCatalog(true);
        const auto kept = co_await m_catalogLoader.showKeptCopy();
        if (!self)
            co_return;
        if (kept) {
            m_catalog.setLoadingCatalog(false);
            Log::line(QStringLiteral("[Catalog] Showing %1 tracks kept from %2")
                          .arg(kept->trackCount)
                          .arg(kept->loadedAt.toUTC().toString(Qt::ISODate)));
        }
        const auto failure = co_await m_catalogLoader.loadFromServer();
        if (!self)
            co_return;
        Log::line(failure
                      ? QStringLiteral("[Catalog] failed: ") + *failure
                      : QStringLiteral("[Catalog] Loaded %1 tracks").arg(m_catalog.trackCount()));
    }
    co_await m_favorites.refreshFavoritesFromServer();
}

void Session::requestCatalog() {
    loadCatalog();
}

QCoro::Task<bool> Session::loadCatalog() {
    const auto failure = co_await m_catalogLoader.loadFromServer();
    if (failure)
        Log::line(QStringLiteral("[Catalog] failed: ") + *failure);
    co_return !failure;
}

} // namespace aru
