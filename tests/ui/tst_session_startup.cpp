#include "AppState.h"
#include "CatalogFixture.h"
#include "Log.h"
#include "ScriptedHttpServer.h"
#include "SessionStartup.h"
#include "SettingsStore.h"
#include "TestHome.h"

#include <QCoroTask>
#include <QTemporaryDir>
#include <memory>

using namespace aru;
using aru::test::ScriptedHttpServer;
using Response = ScriptedHttpServer::Response;

class SessionStartupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<ScriptedHttpServer> m_server;

    // A state restored from settings that hold a session, as at a real start.
    std::unique_ptr<AppState> restoredState(bool withSession) {
        if (withSession) {
            m_store->setString("aru.user.email", "jane@aru.test");
            m_store->setString("aru.user.token", "tok-9");
        }
        return std::make_unique<AppState>(*m_store);
    }

    QStringList paths() const {
        QStringList result;
        for (const auto& request : m_server->requests())
            result.append(request.path());
        return result;
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = std::make_unique<SettingsStore>(m_dir->filePath("settings.ini"));
        m_server = std::make_unique<ScriptedHttpServer>();
        qputenv("ARU_SYNC_BASE_URL", m_server->baseUrl().toString().toUtf8());
        m_server->on("GET", "/api/sync/favorites", Response::json(R"({"trackIds":[4,2]})"));
    }

    void restoredSessionLoadsTheCatalogueThenTheFavourites() {
        m_server->on("GET", "/api/sync/catalog",
                     Response::json(aru::test::generatedCatalogJson(412, 3)));
        auto state = restoredState(true);
        SessionStartup startup;
        startup.setAppState(state.get());
        Log::Capture log;
        QCoro::waitFor(startup.run());
        QCOMPARE(log.lines(), QStringList{"[Catalog] Loaded 412 tracks"});
        QCOMPARE(state->tracks().size(), 412);
        QVERIFY(!state->isLoadingCatalog());
        QCOMPARE(state->favorites(), (QList<TrackId>{4, 2}));
        QCOMPARE(paths(), (QStringList{"/api/sync/catalog", "/api/sync/favorites"}));
        QCOMPARE(m_server->requests().last().header("authorization"), QByteArray("Bearer tok-9"));
    }

    void failedCatalogueIsLoggedAndFavouritesStillRefresh() {
        m_server->on("GET", "/api/sync/catalog", Response::text("<html>", 500));
        auto state = restoredState(true);
        SessionStartup startup;
        startup.setAppState(state.get());
        Log::Capture log;
        QCoro::waitFor(startup.run());
        QCOMPARE(log.lines(), QStringList{"[Catalog] failed: HTTP 500: Erreur serveur"});
        QVERIFY(state->tracks().isEmpty());
        QVERIFY(!state->isLoadingCatalog());
        QCOMPARE(state->favorites(), (QList<TrackId>{4, 2}));
    }

    void loadedCatalogueOnlyRefreshesFavourites() {
        auto state = restoredState(true);
        Track track;
        track.id = 1;
        track.title = "Already here";
        state->setTracks({track});
        SessionStartup startup;
        startup.setAppState(state.get());
        Log::Capture log;
        QCoro::waitFor(startup.run());
        QCOMPARE(paths(), QStringList{"/api/sync/favorites"});
        QCOMPARE(log.lines(), QStringList());
    }

    void runsOnceEvenWhenASessionStartsLater() {
        auto state = restoredState(false);
        SessionStartup startup;
        startup.setAppState(state.get());
        QCoro::waitFor(startup.run());
        QVERIFY(startup.started());
        // Signing in later is the sign-in screen's business; the start-up task stays done.
        state->setUserToken("tok-late");
        state->setLoggedIn(true);
        QCoro::waitFor(startup.run());
        startup.start();
        QTest::qWait(100);
        QCOMPARE(paths(), QStringList());
    }

    void stateGoneDuringTheLoadEndsTheTaskQuietly() {
        Response slow = Response::json(aru::test::generatedCatalogJson(2, 1));
        slow.delayMs = 200;
        m_server->on("GET", "/api/sync/catalog", slow);
        auto state = restoredState(true);
        SessionStartup startup;
        startup.setAppState(state.get());
        auto task = startup.run();
        state.reset();
        QCoro::waitFor(std::move(task));
        QCOMPARE(paths(), QStringList{"/api/sync/catalog"});
    }
};

ARU_TEST_MAIN(SessionStartupTest)
#include "tst_session_startup.moc"
