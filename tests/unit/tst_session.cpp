#include "CatalogFixture.h"
#include "Log.h"
#include "LoginController.h"
#include "NetworkSession.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"
#include "TestState.h"

#include <QCoroTask>
#include <QSignalSpy>
#include <memory>

using namespace aru;
using aru::test::ScriptedHttpServer;
using Response = ScriptedHttpServer::Response;

// The session's flows against a scripted server: each loads what it must, in order, and leaves
// its own lines in the log.
class SessionTest : public QObject {
    Q_OBJECT

    NetworkSession m_network;
    std::unique_ptr<ScriptedHttpServer> m_server;
    std::unique_ptr<test::TestState> m_state;

    // A state restored from settings that hold a session (or none), as at a real start.
    AppState& restoredState(bool withSession = true) {
        m_state.reset();
        m_state = std::make_unique<test::TestState>();
        if (withSession) {
            m_state->store().setString("aru.user.email", "jane@aru.test");
            m_state->store().setString("aru.user.token", "tok-9");
            m_state->store().setBytes("aru.favorites", "[5]");
            m_state->restart();
        }
        return **m_state;
    }
    QStringList paths() const {
        QStringList result;
        for (const auto& request : m_server->requests())
            result.append(request.path());
        return result;
    }

private slots:
    void init() {
        m_server = std::make_unique<ScriptedHttpServer>();
        qputenv("ARU_SYNC_BASE_URL", m_server->baseUrl().toString().toUtf8());
        m_server->on("GET", "/api/sync/favorites", Response::json(R"({"trackIds":[4,2]})"));
    }

    void startUpLoadsTheCatalogueThenTheFavourites_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("tracks");
        QTest::newRow("loaded") << 200 << "[Catalog] Loaded 412 tracks" << 412;
        QTest::newRow("failed") << 500 << "[Catalog] failed: HTTP 500: Erreur serveur" << 0;
    }
    void startUpLoadsTheCatalogueThenTheFavourites() {
        QFETCH(int, status);
        QFETCH(QString, line);
        QFETCH(int, tracks);
        m_server->on("GET", "/api/sync/catalog",
                     Response::json(aru::test::generatedCatalogJson(412, 3), status));
        AppState& state = restoredState();
        Log::Capture log;
        QCoro::waitFor(state.session()->startUp());
        QCOMPARE(log.lines(), QStringList{line});
        QCOMPARE(state.catalog()->trackCount(), tracks);
        QVERIFY(!state.catalog()->isLoadingCatalog());
        // The favourites are refreshed whether or not the catalogue loaded.
        QCOMPARE(state.favorites()->favorites(), (QList<TrackId>{4, 2}));
        QCOMPARE(paths(), (QStringList{"/api/sync/catalog", "/api/sync/favorites"}));
        QCOMPARE(m_server->requests().last().header("authorization"), QByteArray("Bearer tok-9"));
    }

    void startUpRunsOnceAndOnlyForARestoredSession() {
        AppState& state = restoredState();
        Track track;
        track.id = 1;
        track.title = "Already here";
        state.catalog()->setTracks({track});
        Log::Capture log;
        QCoro::waitFor(state.session()->startUp());
        QCOMPARE(paths(), QStringList{"/api/sync/favorites"}); // a catalogue is kept
        state.session()->start();
        QTest::qWait(100);
        QCOMPARE(paths(), QStringList{"/api/sync/favorites"});
        QCOMPARE(log.lines(), QStringList());

        // Signed out at start: nothing, and a session that begins later is the sign-in's.
        AppState& signedOut = restoredState(false);
        QCoro::waitFor(signedOut.session()->startUp());
        QVERIFY(signedOut.session()->hasStarted());
        signedOut.session()->signIn("jane@aru.test", "tok");
        QCoro::waitFor(signedOut.session()->startUp());
        QTRY_COMPARE(m_server->requests().size(), 3); // the sign-in's catalogue and favourites
    }

    void eachLoadLeavesItsOwnLine() {
        m_server->on("GET", "/api/sync/catalog", Response::text("<html>", 502));
        AppState& state = restoredState();
        Log::Capture log;
        QVERIFY(!QCoro::waitFor(state.session()->loadCatalog()));
        QCOMPARE(log.lines(), QStringList{"[Catalog] failed: HTTP 502: Erreur serveur"});

        m_server->on("GET", "/api/sync/catalog",
                     Response::json(aru::test::generatedCatalogJson(3, 1)));
        QVERIFY(QCoro::waitFor(state.session()->loadCatalog()));
        QCOMPARE(state.catalog()->trackCount(), 3);
        QCOMPARE(log.lines().size(), 1); // a success is silent here
    }

    // A 401 to a request that carried the token ends the session: signed out with favourites
    // and history kept, the sign-in screen says why, the log says so once. A refusal that comes
    // back after the session was replaced ends nothing.
    void aRefusedTokenEndsTheSession_data() {
        QTest::addColumn<QByteArray>("refused"); // the method answered 401
        QTest::addColumn<bool>("replacedMeanwhile");
        QTest::newRow("favourites read") << QByteArray("GET") << false;
        QTest::newRow("favourite change") << QByteArray("POST") << false;
        QTest::newRow("change refused after a new sign-in") << QByteArray("POST") << true;
    }
    void aRefusedTokenEndsTheSession() {
        QFETCH(QByteArray, refused);
        QFETCH(bool, replacedMeanwhile);
        Response refusal = Response::json(R"({"error":"expired"})", 401);
        refusal.delayMs = replacedMeanwhile ? 300 : 0;
        m_server->on("GET", "/api/sync/favorites", Response::json(R"({"trackIds":[9,5]})"));
        m_server->on(refused, "/api/sync/favorites", refusal);
        AppState& state = restoredState();
        state.preferences()->setLanguage(AppLanguage::En);
        state.downloads()->recordDownload(Track());
        LoginController login;
        login.setAppState(&state);
        QSignalSpy notices(&login, &LoginController::sessionNoticeChanged);
        Log::Capture log;
        if (refused == "GET") {
            QCoro::waitFor(state.favorites()->refreshFavoritesFromServer());
        } else {
            state.favorites()->toggleFavorite(9);
            if (replacedMeanwhile)
                state.session()->signIn("jane@aru.test", "tok-new");
            QTRY_VERIFY(log.lines().contains(
                "[Favorites] cloud sync failed for 9: HTTP 401: Erreur serveur"));
        }
        const bool ends = !replacedMeanwhile;
        QCOMPARE(state.session()->isLoggedIn(), !ends);
        QCOMPARE(state.session()->sessionExpired(), ends);
        QCOMPARE(log.lines().count("[Session] expired: the server refused the session (HTTP "
                                   "401); signed out"),
                 ends ? 1 : 0);
        QCOMPARE(m_state->store().string("aru.user.token").value_or("?").isEmpty(), ends);
        QVERIFY(state.favorites()->contains(5) && state.downloads()->downloads().size() == 1);
        QCOMPARE(login.sessionNotice(),
                 ends ? "Your session has expired. Please sign in again." : "");
        QCOMPARE(notices.isEmpty(), !ends);
        state.session()->signIn("jane@aru.test", "tok-10");
        QCOMPARE(login.sessionNotice(), "");
    }

    // The favourites someone leaves at sign-out stay theirs: the next account to sign in on this
    // computer gets its own list, even an empty one, and is never sent them.
    void anotherAccountNeverReceivesThePreviousFavourites() {
        AppState& jane = restoredState();
        QCoro::waitFor(jane.favorites()->refreshFavoritesFromServer());
        jane.session()->logout();
        QCOMPARE(jane.favorites()->favorites(), (QList<TrackId>{4, 2}));
        m_server->on("GET", "/api/sync/favorites", Response::json(R"({"trackIds":[]})"));
        m_state->restart();
        AppState& next = **m_state;
        QCOMPARE(next.favorites()->favorites(), (QList<TrackId>{4, 2}));
        next.session()->signIn("bob@aru.test", "tok-bob");
        QTRY_VERIFY(next.favorites()->favorites().isEmpty());
        QTest::qWait(100);
        for (const auto& request : m_server->requests())
            QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(next.favorites()->owner(), "bob@aru.test");
    }

    void theStateMayGoDuringTheLoad() {
        Response slow = Response::json(aru::test::generatedCatalogJson(2, 1));
        slow.delayMs = 200;
        m_server->on("GET", "/api/sync/catalog", slow);
        auto task = restoredState().session()->startUp();
        m_state.reset();
        QCoro::waitFor(std::move(task));
        QCOMPARE(paths(), QStringList{"/api/sync/catalog"});
    }
};

ARU_TEST_MAIN(SessionTest)
#include "tst_session.moc"
