#include "CacheFolders.h"
#include "CatalogFixture.h"
#include "KeptCatalog.h"
#include "Log.h"
#include "LoginController.h"
#include "NetworkSession.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"
#include "TestState.h"

#include <QCoroTask>
#include <QFile>
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
            m_state->store().setBytes("aru.favorites", "[5]");
            m_state->restartSignedIn("jane@aru.test", "tok-9");
        }
        return **m_state;
    }
    QStringList paths() const {
        QStringList result;
        for (const auto& request : m_server->requests())
            result.append(request.path());
        return result;
    }

    static KeptCatalog keptFor(const ScriptedHttpServer& server) {
        return KeptCatalog::forServer(server.baseUrl().toString());
    }
    static Response catalogue(int tracks, const QByteArray& etag) {
        Response response = Response::json(aru::test::generatedCatalogJson(tracks, 3));
        response.headers.append({"ETag", etag});
        return response;
    }
    void useNewServer() {
        m_server = ScriptedHttpServer::asCatalogueServer();
        m_server->on("GET", "/api/sync/favorites", Response::json(R"({"trackIds":[4,2]})"));
    }

private slots:
    void init() {
        QDir(CacheFolders::folder("Catalog")).removeRecursively();
        useNewServer();
    }

    void startUpLoadsTheCatalogueThenTheFavourites_data() {
        QTest::addColumn<int>("status");
        QTest::newRow("loaded") << 200;
        QTest::newRow("failed") << 500;
    }
    void startUpLoadsTheCatalogueThenTheFavourites() {
        QFETCH(int, status);
        const bool loaded = status == 200;
        m_server->on("GET", "/api/sync/catalog",
                     Response::json(aru::test::generatedCatalogJson(412, 3), status));
        AppState& state = restoredState();
        Log::Capture log;
        QCoro::waitFor(state.session()->startUp());
        QCOMPARE(log.lines(), QStringList{loaded ? "[Catalog] Loaded 412 tracks"
                                                 : "[Catalog] failed: HTTP 500: Erreur serveur"});
        QCOMPARE(state.catalog()->trackCount(), loaded ? 412 : 0);
        QVERIFY(!state.catalog()->isLoadingCatalog());
        // The favourites are refreshed whether or not the catalogue loaded.
        QCOMPARE(state.favorites()->favorites(), (QList<TrackId>{4, 2}));
        QCOMPARE(paths(), (QStringList{"/api/sync/catalog", "/api/sync/favorites"}));
        QCOMPARE(m_server->requests().last().header("authorization"), QByteArray("Bearer tok-9"));
    }

    void startUpRunsOnceAndOnlyForARestoredSession() {
        AppState& state = restoredState();
        state.catalog()->setTracks({Track{}});
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

        m_server->on("GET", "/api/sync/catalog", catalogue(3, "\"e\""));
        // Loads that overlap share one request.
        auto first = state.session()->loadCatalog();
        auto second = state.session()->loadCatalog();
        QVERIFY(QCoro::waitFor(std::move(first)) && QCoro::waitFor(std::move(second)));
        QCOMPARE(m_server->requests().size(), 2);
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

    // A restored session shows the catalogue kept from the last load at once, then asks the
    // server whether it changed.
    void startUpShowsTheKeptCopyFirst_data() {
        QTest::addColumn<int>("status");     // the server's answer at the second start
        QTest::addColumn<QString>("damage"); // done to the kept copy before that start
        QTest::addColumn<int>("tracks");
        QTest::addColumn<bool>("offline");
        QTest::newRow("replaced") << 200 << "" << 6 << false;
        QTest::newRow("unchanged") << 304 << "" << 5 << false;
        QTest::newRow("server down") << 503 << "" << 5 << true;
        QTest::newRow("truncated copy") << 503 << "truncated" << 0 << false;
        QTest::newRow("another server's copy") << 200 << "other server" << 6 << false;
    }
    void startUpShowsTheKeptCopyFirst() {
        QFETCH(int, status);
        QFETCH(QString, damage);
        QFETCH(int, tracks);
        QFETCH(bool, offline);
        // The line after the kept copy's own, if any.
        const QString loadLine = status == 503 ? "[Catalog] failed: HTTP 503: Erreur serveur"
                                               : QString("[Catalog] Loaded %1 tracks").arg(tracks);
        m_server->on("GET", "/api/sync/catalog", catalogue(5, "\"v1\""));
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        QCoro::waitFor(restoredState().session()->startUp());
        const KeptCatalog firstCopy = keptFor(*m_server);
        QTRY_VERIFY(firstCopy.exists());
        if (damage == "truncated") {
            QFile file(firstCopy.path());
            QVERIFY(file.open(QIODevice::ReadWrite) && file.resize(file.size() - 9));
        } else if (damage == "other server") {
            useNewServer();
        }
        Response fresh = status == 200 ? catalogue(6, "\"v2\"") : Response::text({}, status);
        fresh.delayMs = 300;
        m_server->on("GET", "/api/sync/catalog", fresh);
        const bool shown = damage.isEmpty();

        const qsizetype earlierRequests = m_server->requests().size();
        AppState& state = restoredState();
        CatalogSearch& search = *state.search();
        Log::Capture log;
        auto start = state.session()->startUp();
        if (shown) {
            // Usable while the server thinks: searching, filtering, scrolling.
            QTRY_COMPARE(state.catalog()->trackCount(), 5);
            QVERIFY(!state.catalog()->isLoadingCatalog());
            search.setSearchText("1");
            search.setSelectedTempo(search.filteredTracks().first().tempo);
            QTRY_VERIFY(search.filteredTracksModel()->count() > 0);
        }
        QSignalSpy replacements(search.filteredTracksModel(), &TrackListModel::replaced);
        QCoro::waitFor(std::move(start));

        QStringList lines = log.lines();
        if (shown) {
            const QString keptLine = lines.takeFirst();
            const QString prefix = "[Catalog] Showing 5 tracks kept from ";
            QVERIFY2(keptLine.startsWith(prefix), qPrintable(keptLine));
            const QDateTime loadedAt =
                QDateTime::fromString(keptLine.mid(prefix.size()), Qt::ISODate);
            QCOMPARE(loadedAt.timeSpec(), Qt::UTC);
            QVERIFY(loadedAt >= before && loadedAt <= QDateTime::currentDateTimeUtc());
        }
        QCOMPARE(lines, QStringList{loadLine});
        QCOMPARE(state.catalog()->trackCount(), tracks);
        QCOMPARE(state.catalog()->isShowingOfflineCopy(), offline);
        QCOMPARE(m_server->requests().at(earlierRequests).header("if-none-match"),
                 shown ? QByteArray("\"v1\"") : QByteArray());
        if (shown) {
            // The search and the filters stay, and so do the rows still listed.
            QCOMPARE(search.searchText(), QString("1"));
            QVERIFY(search.selectedTempo().has_value());
            QCOMPARE(replacements.count(), 0);
            QCOMPARE(search.filteredTracksModel()->tracks(), search.filteredTracks());
        }
        // An unusable copy is gone; another server's copy is still there for it.
        QCOMPARE(firstCopy.exists(), damage != "truncated");
        if (status == 200)
            QTRY_COMPARE(keptFor(*m_server).read().value().validators.etag, QByteArray("\"v2\""));

        // A fresh catalogue ends the offline notice.
        m_server->on("GET", "/api/sync/catalog", catalogue(7, "\"v3\""));
        QVERIFY(QCoro::waitFor(state.session()->loadCatalog()));
        QCOMPARE(state.catalog()->trackCount(), 7);
        QVERIFY(!state.catalog()->isShowingOfflineCopy());
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
