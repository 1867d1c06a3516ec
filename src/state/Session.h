#pragma once

#include "CatalogLoader.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QtQmlIntegration>
#include <optional>

namespace aru {

class Catalog;
struct Credentials;
class Favorites;
class SettingsStore;

// The signed-in account and everything that starts with it: signing in and out, the start-up
// of a restored session, and loading the catalogue. Each flow writes its own lines to the log.
// The token itself never reaches the views.
class Session : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The session is AppState.session")

    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY isLoggedInChanged)
    Q_PROPERTY(QString userEmail READ userEmail NOTIFY userEmailChanged)
    // The server ended the last session (it refused its token); cleared by the next sign-in.
    Q_PROPERTY(bool sessionExpired READ sessionExpired NOTIFY sessionExpiredChanged)

public:
    // Restores the stored session: a stored token starts signed in, without asking the server;
    // the first request the server refuses with that token ends it.
    Session(SettingsStore& settings, Credentials& credentials, Catalog& catalog,
            Favorites& favorites, QObject* parent = nullptr);

    bool isLoggedIn() const { return m_isLoggedIn; }
    bool sessionExpired() const { return m_sessionExpired; }
    QString userEmail() const;
    QString userToken() const;

    // A session the server granted: stored at once, then the catalogue and the server's
    // favourites are fetched by two independent tasks (a failed load is logged as
    // "Catalog load failed: …").
    void signIn(const QString& email, const QString& token);
    // Ends the session. The catalogue, favourites, history and filters stay.
    Q_INVOKABLE void logout();
    // The server answered 401 to a request made with `token`: when that is still this session's
    // token, ends the session like logout(), logs it and marks it expired.
    void endRefusedSession(const QString& token);

    // The start-up of a restored session, at most once per run (the first call counts even
    // while signed out): when the catalogue is still empty, shows the copy kept from the last
    // load ("[Catalog] Showing N tracks kept from <time of that load>") and then loads the
    // server's ("[Catalog] Loaded N tracks" / "[Catalog] failed: …"; a failure leaves the kept
    // copy shown), then refreshes the favourites from the server whether or not the catalogue
    // loaded.
    QCoro::Task<> startUp();
    // The same, not awaited (the root view).
    Q_INVOKABLE void start();
    bool hasStarted() const { return m_started; }

    // The catalogue screen's load: a failure is logged as "[Catalog] failed: …", a success
    // silently. True when the catalogue was replaced.
    QCoro::Task<bool> loadCatalog();
    // The same, not awaited (the catalogue screen).
    Q_INVOKABLE void requestCatalog();

signals:
    void isLoggedInChanged();
    void userEmailChanged();
    void sessionExpiredChanged();

private:
    QCoro::Task<> loadCatalogAfterSignIn();
    void setCredentials(const QString& email, const QString& token);
    void endSession(bool expired);

    SettingsStore& m_settings;
    Credentials& m_credentials;
    Catalog& m_catalog;
    Favorites& m_favorites;
    CatalogLoader m_catalogLoader;
    bool m_isLoggedIn = false;
    bool m_sessionExpired = false;
    bool m_started = false;
};

} // namespace aru
