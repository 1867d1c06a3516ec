#include "Credentials.h"
#include "Favorites.h"
#include "Log.h"
#include "NetworkSession.h"
#include "ScriptedHttpServer.h"
#include "SettingsStore.h"
#include "TestHome.h"

#include <QCoroTask>
#include <QTemporaryDir>

using namespace aru;
using Response = test::ScriptedHttpServer::Response;

class FavoritesSyncTest : public QObject {
    Q_OBJECT

    NetworkSession m_network;
    std::unique_ptr<test::ScriptedHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
    Credentials m_credentials;
    std::unique_ptr<Favorites> m_favorites;

    // Favourites as the app starts with them: `stored` in the settings, signed in or not.
    Favorites& start(const QByteArray& stored, bool signedIn = true) {
        m_store->setBytes("aru.favorites", stored);
        m_credentials = signedIn ? Credentials{"a@b.c", "tok"} : Credentials{};
        m_favorites = std::make_unique<Favorites>(*m_store, m_credentials);
        return *m_favorites;
    }
    QByteArray storedFavorites() const {
        return SettingsStore(m_store->fileName()).bytes("aru.favorites").value_or(QByteArray());
    }
    QStringList requestsSeen() const {
        QStringList seen;
        for (const auto& request : m_server->requests())
            seen << request.method + " " + request.target + " " + request.body;
        return seen;
    }

private slots:
    void init() {
        m_server = test::ScriptedHttpServer::asCatalogueServer();
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = std::make_unique<SettingsStore>(m_dir->filePath("settings.ini"));
    }

    void togglingChangesTheLocalListAtOnce() {
        Favorites& favorites = start("[5,7,5,9]", false);
        favorites.toggleFavorite(3);
        QCOMPARE(favorites.favorites(), (QList<TrackId>{3, 5, 7, 5, 9}));
        favorites.toggleFavorite(5); // every occurrence goes
        QCOMPARE(favorites.favorites(), (QList<TrackId>{3, 7, 9}));
        favorites.toggleFavorite(9);
        favorites.toggleFavorite(9); // an existing favourite toggled twice moves to the front
        QCOMPARE(favorites.favorites(), (QList<TrackId>{9, 3, 7}));
        QCOMPARE(storedFavorites(), QByteArray("[9,3,7]"));
        // Signed out: nothing is sent, not even a refresh.
        QCoro::waitFor(favorites.refreshFavoritesFromServer());
        QTest::qWait(50);
        QCOMPARE(m_server->requests().size(), 0);
    }

    void theServerIsToldInTheBackgroundAndARefusalIsOnlyLogged() {
        Favorites& favorites = start("[8]");
        m_server->on("*", "/api/sync/favorites", Response::json("{}"));
        m_server->on("POST", "/api/sync/favorites", Response::json("{}", 500), 1);
        Log::Capture log;
        favorites.toggleFavorite(8);
        favorites.toggleFavorite(42);
        favorites.toggleFavorite(43);
        QCOMPARE(favorites.favorites(), (QList<TrackId>{43, 42}));
        QVERIFY(m_server->waitForRequests(3));
        QStringList seen = requestsSeen();
        seen.sort();
        QCOMPARE(seen, (QStringList{"DELETE /api/sync/favorites?trackId=8 ",
                                    R"(POST /api/sync/favorites {"trackId":42})",
                                    R"(POST /api/sync/favorites {"trackId":43})"}));
        QTRY_COMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().contains(QRegularExpression(
            R"(^\[Favorites\] cloud sync failed for 4[23]: HTTP 500: Erreur serveur$)")));
        QCOMPARE(favorites.favorites(), (QList<TrackId>{43, 42}));
    }

    void refreshTakesTheServersList_data() {
        QTest::addColumn<QByteArray>("local");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QList<TrackId>>("expected");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("replaced") << QByteArray("[1,2]") << 200
                                  << QByteArray(R"({"trackIds":[9,4,9]})")
                                  << QList<TrackId>{9, 4, 9} << QByteArray("[9,4,9]");
        QTest::newRow("unreadable server keeps the local list")
            << QByteArray("[1,2]") << 401 << QByteArray(R"({"trackIds":[9]})")
            << QList<TrackId>{1, 2} << QByteArray("[1,2]");
        QTest::newRow("both empty: nothing to write")
            << QByteArray("garbage") << 200 << QByteArray(R"({"trackIds":[]})") << QList<TrackId>{}
            << QByteArray("garbage");
    }
    void refreshTakesTheServersList() {
        QFETCH(QByteArray, local);
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(QList<TrackId>, expected);
        QFETCH(QByteArray, stored);
        Favorites& favorites = start(local);
        m_server->on("GET", "/api/sync/favorites", Response::json(answer, status));
        QCoro::waitFor(favorites.refreshFavoritesFromServer());
        QCOMPARE(favorites.favorites(), expected);
        QCOMPARE(storedFavorites(), stored);
        QCOMPARE(m_server->requests().size(), 1);
    }

    void anEmptyAccountReceivesTheLocalListInOrderThenIsReadBack() {
        Favorites& favorites = start("[3,1,2]");
        m_server->on("GET", "/api/sync/favorites", Response::json(R"({"trackIds":[1,3]})"));
        m_server->on("GET", "/api/sync/favorites", Response::json(R"({"trackIds":[]})"), 1);
        m_server->on("POST", "/api/sync/favorites", Response::json("{}"));
        m_server->on("POST", "/api/sync/favorites", Response::json("{}", 500),
                     1); // the first upload fails
        QCoro::waitFor(favorites.refreshFavoritesFromServer());
        QCOMPARE(
            requestsSeen(),
            (QStringList{"GET /api/sync/favorites ", R"(POST /api/sync/favorites {"trackId":3})",
                         R"(POST /api/sync/favorites {"trackId":1})",
                         R"(POST /api/sync/favorites {"trackId":2})", "GET /api/sync/favorites "}));
        QCOMPARE(favorites.favorites(), (QList<TrackId>{1, 3}));
        QCOMPARE(storedFavorites(), QByteArray("[1,3]"));
        // From now on the list is that account's, and goes into no other.
        QCOMPARE(SettingsStore(m_store->fileName()).string("aru.favorites.owner"), "a@b.c");
    }
};

ARU_TEST_MAIN(FavoritesSyncTest)
#include "tst_favorites_sync.moc"
