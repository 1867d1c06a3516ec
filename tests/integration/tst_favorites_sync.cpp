#include "AppState.h"
#include "Log.h"
#include "ScriptedHttpServer.h"
#include "SettingsStore.h"
#include "TestHome.h"

#include <QCoroTask>
#include <QTemporaryDir>

using namespace aru;
using Response = test::ScriptedHttpServer::Response;

class FavoritesSyncTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::ScriptedHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<AppState> m_state;

    void signIn() {
        m_state->setUserEmail("a@b.c");
        m_state->setUserToken("tok");
        m_state->setLoggedIn(true);
    }
    QByteArray storedFavorites() const {
        return SettingsStore(m_store->fileName()).bytes("aru.favorites").value_or(QByteArray());
    }

private slots:
    void init() {
        m_server = std::make_unique<test::ScriptedHttpServer>();
        qputenv("ARU_SYNC_BASE_URL", m_server->baseUrl().toString().toUtf8());
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = std::make_unique<SettingsStore>(m_dir->filePath("settings.ini"));
        m_state = std::make_unique<AppState>(*m_store);
    }

    void togglingChangesTheLocalListAtOnce() {
        m_state->setFavorites({5, 7, 5, 9});
        m_state->toggleFavorite(3);
        QCOMPARE(m_state->favorites(), (QList<TrackId>{3, 5, 7, 5, 9}));
        m_state->toggleFavorite(5); // every occurrence goes
        QCOMPARE(m_state->favorites(), (QList<TrackId>{3, 7, 9}));
        m_state->toggleFavorite(9);
        m_state->toggleFavorite(9); // an existing favourite toggled twice moves to the front
        QCOMPARE(m_state->favorites(), (QList<TrackId>{9, 3, 7}));
        QCOMPARE(storedFavorites(), QByteArray("[9,3,7]"));
        // Signed out: nothing is sent.
        QTest::qWait(50);
        QCOMPARE(m_server->requests().size(), 0);
    }

    void theServerIsToldInTheBackground() {
        signIn();
        m_server->on("*", "/api/sync/favorites", Response::json("{}"));
        Log::Capture log;
        m_state->setFavorites({8});
        m_state->toggleFavorite(42);
        m_state->toggleFavorite(8);
        QVERIFY(m_server->waitForRequests(2));
        QStringList seen;
        for (const auto& request : m_server->requests())
            seen << request.method + " " + request.target + " " + request.body;
        seen.sort();
        QCOMPARE(seen, (QStringList{"DELETE /api/sync/favorites?trackId=8 ",
                                    R"(POST /api/sync/favorites {"trackId":42})"}));
        QTest::qWait(200); // the answers arrive; success leaves no trace
        QVERIFY(log.lines().isEmpty());
    }

    void aRefusalIsLoggedAndNotUndone() {
        signIn();
        m_server->on("POST", "/api/sync/favorites", Response::json("{}", 500));
        Log::Capture log;
        m_state->toggleFavorite(42);
        QCOMPARE(m_state->favorites(), QList<TrackId>{42});
        QTRY_COMPARE(log.lines(),
                     QStringList{"[Favorites] cloud sync failed for 42: HTTP 500: Erreur serveur"});
        QCOMPARE(m_state->favorites(), QList<TrackId>{42});
    }

    void refreshReplacesWithTheServersList() {
        signIn();
        m_state->setFavorites({1, 2});
        m_server->on("GET", "/api/sync/favorites", Response::json(R"({"trackIds":[9,4,9]})"));
        QCoro::waitFor(m_state->refreshFavoritesFromServer());
        QCOMPARE(m_state->favorites(), (QList<TrackId>{9, 4, 9}));
        QCOMPARE(storedFavorites(), QByteArray("[9,4,9]"));
    }

    void refreshKeepsTheLocalListWhenTheServerCannotBeRead() {
        signIn();
        m_state->setFavorites({1, 2});
        m_server->on("GET", "/api/sync/favorites", Response::json(R"({"trackIds":[9]})", 401));
        QCoro::waitFor(m_state->refreshFavoritesFromServer());
        QCOMPARE(m_state->favorites(), (QList<TrackId>{1, 2}));
    }

    void refreshDoesNothingSignedOut() {
        m_state->setFavorites({1});
        QCoro::waitFor(m_state->refreshFavoritesFromServer());
        QCOMPARE(m_server->requests().size(), 0);
    }

    void anEmptyAccountOnAnEmptyListStoresTheEmptyList() {
        signIn();
        m_store->setBytes("aru.favorites", "garbage");
        m_server->on("GET", "/api/sync/favorites", Response::json(R"({"trackIds":[]})"));
        QCoro::waitFor(m_state->refreshFavoritesFromServer());
        QVERIFY(m_state->favorites().isEmpty());
        QCOMPARE(storedFavorites(), QByteArray("[]"));
        QCOMPARE(m_server->requests().size(), 1);
    }

    void anEmptyAccountReceivesTheLocalListInOrderThenIsReadBack() {
        signIn();
        m_state->setFavorites({3, 1, 2});
        m_server->on("GET", "/api/sync/favorites", Response::json(R"({"trackIds":[1,3]})"));
        m_server->on("GET", "/api/sync/favorites", Response::json(R"({"trackIds":[]})"), 1);
        m_server->on("POST", "/api/sync/favorites", Response::json("{}"));
        m_server->on("POST", "/api/sync/favorites", Response::json("{}", 500),
                     1); // the first upload fails
        QCoro::waitFor(m_state->refreshFavoritesFromServer());
        QStringList order;
        for (const auto& request : m_server->requests())
            order << request.method + " " + request.body;
        QCOMPARE(order, (QStringList{"GET ", R"(POST {"trackId":3})", R"(POST {"trackId":1})",
                                     R"(POST {"trackId":2})", "GET "}));
        QCOMPARE(m_state->favorites(), (QList<TrackId>{1, 3}));
        QCOMPARE(storedFavorites(), QByteArray("[1,3]"));
    }
};

ARU_TEST_MAIN(FavoritesSyncTest)
#include "tst_favorites_sync.moc"
