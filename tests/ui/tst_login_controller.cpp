#include "CatalogFixture.h"
#include "Log.h"
#include "LoginController.h"
#include "NetworkSession.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"
#include "TestState.h"

#include <QCoroTask>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <memory>

using namespace aru;
using aru::test::ScriptedHttpServer;
using Response = ScriptedHttpServer::Response;

Q_DECLARE_METATYPE(aru::test::ScriptedHttpServer::Response)

namespace {

const QByteArray signedInJson =
    R"({"success":true,"token":"tok-123","user":{"email":"jane@aru.test","id":"u1"}})";

} // namespace

class LoginControllerTest : public QObject {
    Q_OBJECT

    NetworkSession m_network;
    std::unique_ptr<test::TestState> m_state;
    std::unique_ptr<ScriptedHttpServer> m_server;
    std::unique_ptr<LoginController> m_login;

    AppState& state() { return **m_state; }

private slots:
    void init() {
        m_state = std::make_unique<test::TestState>();
        state().preferences()->setLanguage(AppLanguage::En);
        m_server = ScriptedHttpServer::asCatalogueServer();
        m_login = std::make_unique<LoginController>();
        m_login->setAppState(m_state->get());
    }
    void cleanup() {
        m_login.reset();
        m_state.reset();
        m_server.reset();
    }

    // The rules tst_login_view does not reach through the screen (it covers the sign-in labels,
    // a missing password, and both fields typed).
    void derivedLabelAndDisabledState() {
        QCOMPARE(LoginController::submitLabelKey(false, true), QString("login.reset.send"));
        QCOMPARE(LoginController::submitLabelKey(true, true), QString("login.reset.sending"));
        QVERIFY(LoginController::isSubmitDisabled(false, false, "", "pw"));
        QVERIFY(!LoginController::isSubmitDisabled(false, false, " ", " ")); // spaces count
        QVERIFY(!LoginController::isSubmitDisabled(false, true, "a@b.c", ""));
        QVERIFY(LoginController::isSubmitDisabled(false, true, "", "pw"));
        QVERIFY(LoginController::isSubmitDisabled(true, true, "a@b.c", ""));
    }

    void signInFailureShowsTheServersRefusal_data() {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QString>("error");
        // How each refusal reads is tst_api_client's login(); this shows one passes through.
        QTest::newRow("403 not approved")
            << Response::json(R"({"error":"pending"})", 403)
            << "Votre compte n'est pas encore activé. Contactez l'administrateur.";
        QTest::newRow("2xx without token: server text")
            << Response::json(R"({"success":false,"error":"Compte suspendu"})")
            << "Compte suspendu";
        QTest::newRow("2xx without user: generic text")
            << Response::json(R"({"success":true,"token":"t"})") << "Invalid server response";
    }
    void signInFailureShowsTheServersRefusal() {
        QFETCH(Response, response);
        QFETCH(QString, error);
        m_server->on("POST", "/api/sync/auth", response);
        m_login->setEmail("jane@aru.test");
        m_login->setPassword("pw");
        QCoro::waitFor(m_login->signIn());
        QVERIFY(m_login->hasError());
        QCOMPARE(m_login->error(), error);
        QVERIFY(!m_login->isLoading());
        QVERIFY(!state().session()->isLoggedIn());
        QVERIFY(m_state->store().string("aru.user.token").value_or(QString()).isEmpty());
        QCOMPARE(m_server->requestsTo("/api/sync/catalog").size(), 0);
    }

    void unreachableServerShowsTheTransportFailure() {
        const QUrl closed = m_server->baseUrl();
        m_server.reset(); // nothing listens there any more
        qputenv("ARU_SYNC_BASE_URL", closed.toString().toUtf8());
        m_login->setEmail("jane@aru.test");
        m_login->setPassword("pw");
        QCoro::waitFor(m_login->signIn());
        QVERIFY(m_login->hasError());
        QVERIFY(!m_login->error()->isEmpty());
        QVERIFY(!m_login->isLoading());
    }

    // A catalogue that fails after the sign-in is only logged: the session stands.
    void signInStoresTheSessionAndLoadsCatalogueAndFavourites_data() {
        QTest::addColumn<int>("catalogueStatus");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("catalogue loaded") << 200 << QStringList();
        QTest::newRow("catalogue failed")
            << 503 << QStringList{"Catalog load failed: HTTP 503: Erreur serveur"};
    }
    void signInStoresTheSessionAndLoadsCatalogueAndFavourites() {
        QFETCH(int, catalogueStatus);
        QFETCH(QStringList, log);
        const bool loads = catalogueStatus == 200;
        m_server->on("POST", "/api/sync/auth", Response::json(signedInJson));
        m_server->on(
            "GET", "/api/sync/catalog",
            Response::json(loads ? aru::test::generatedCatalogJson(3, 7) : "{}", catalogueStatus));
        m_server->on("GET", "/api/sync/favorites", Response::json(R"({"trackIds":[11,12]})"));
        m_login->setEmail("  Jane@ARU.test ");
        m_login->setPassword("secret pw");
        Log::Capture logged;
        QSignalSpy loggedIn(state().session(), &Session::isLoggedInChanged);
        QCoro::waitFor(m_login->signIn());

        // Sent exactly as typed.
        const auto auth = m_server->requestsTo("/api/sync/auth");
        QCOMPARE(auth.size(), 1);
        const QJsonObject body = QJsonDocument::fromJson(auth[0].body).object();
        QCOMPARE(body.value("email").toString(), "  Jane@ARU.test ");
        QCOMPARE(body.value("password").toString(), "secret pw");

        // The session is the server's, and it is saved.
        QCOMPARE(loggedIn.size(), 1);
        QVERIFY(state().session()->isLoggedIn());
        QCOMPARE(state().session()->userEmail(), "jane@aru.test");
        QCOMPARE(state().session()->userToken(), "tok-123");
        QCOMPARE(m_state->store().string("aru.user.token"), std::optional<QString>("tok-123"));
        QVERIFY(!m_login->hasError());

        // Both follow-ups run on their own.
        QTRY_COMPARE(state().favorites()->favorites(), (QList<TrackId>{11, 12}));
        QTRY_COMPARE(logged.lines(), log); // a successful load after sign-in writes no line
        QTRY_COMPARE(state().catalog()->tracks().size(), loads ? 3 : 0);
        QTRY_VERIFY(!state().catalog()->isLoadingCatalog());
        QCOMPARE(state().catalog()->tagLibrary().has_value(), loads);
        const auto favorites = m_server->requestsTo("/api/sync/favorites");
        QCOMPARE(favorites.size(), 1);
        QCOMPARE(favorites[0].header("authorization"), QByteArray("Bearer tok-123"));
    }

    void secondSubmissionWhileLoadingIsIgnored() {
        Response slow = Response::json(R"({"error":"nope"})", 401);
        slow.delayMs = 300;
        m_server->on("POST", "/api/sync/auth", slow);
        m_login->setEmail("jane@aru.test");
        m_login->login();
        QVERIFY(m_login->isLoading());
        m_login->login();
        m_login->submit();
        m_login->toggleResetMode();
        m_login->sendResetEmail(); // the reset flow is refused too while a request runs
        m_login->toggleResetMode();
        QTRY_VERIFY(!m_login->isLoading());
        QTest::qWait(100);
        QCOMPARE(m_server->requestsTo("/api/sync/auth").size(), 1);
        QCOMPARE(m_login->error(), std::optional<QString>("Email ou mot de passe incorrect"));
    }

    void controllerGoneBeforeTheAnswerStillStoresTheSession() {
        Response slow = Response::json(signedInJson);
        slow.delayMs = 200;
        m_server->on("POST", "/api/sync/auth", slow);
        m_server->on("GET", "/api/sync/catalog",
                     Response::json(aru::test::generatedCatalogJson(2, 1)));
        m_server->on("GET", "/api/sync/favorites", Response::json(R"({"trackIds":[]})"));
        m_login->setEmail("jane@aru.test");
        m_login->setPassword("pw");
        m_login->login();
        m_login.reset(); // the screen was closed while the request ran
        QTRY_VERIFY(state().session()->isLoggedIn());
        QTRY_COMPARE(state().catalog()->tracks().size(), 2);
    }
};

ARU_TEST_MAIN(LoginControllerTest)
#include "tst_login_controller.moc"
