#include "APIClient.h"
#include "Cancellation.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace aru;
using Response = test::ScriptedHttpServer::Response;

namespace {

// What a failed exchange looked like to the caller, in one comparable line.
QString outcome(const RequestError& error) {
    switch (error.kind()) {
    case RequestError::Kind::Api:
        return QStringLiteral("api: ") + error.description();
    case RequestError::Kind::Decoding:
        return QStringLiteral("decoding");
    case RequestError::Kind::Transport:
        return QStringLiteral("transport");
    case RequestError::Kind::FileSystem:
        return QStringLiteral("file");
    }
    return {};
}

QJsonObject bodyOf(const test::ScriptedHttpServer::Request& request) {
    return QJsonDocument::fromJson(request.body).object();
}

} // namespace

class APIClientTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::ScriptedHttpServer> m_server;

private slots:
    void init() {
        m_server = std::make_unique<test::ScriptedHttpServer>();
        QVERIFY(m_server->isListening());
        qputenv("ARU_SYNC_BASE_URL", m_server->baseUrl().toString().toUtf8());
    }

    void login_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("signed in")
            << 200
            << QByteArray(R"({"success":true,"token":"t1","user":{"email":"a@b.c","id":"7"}})")
            << "ok: t1 a@b.c 7";
        QTest::newRow("empty answer") << 200 << QByteArray("{}") << "ok:   ";
        QTest::newRow("INCORRECT in a 200")
            << 200 << QByteArray(R"({"error":"Mot de passe INCORRECT"})")
            << "api: Email ou mot de passe incorrect";
        QTest::newRow("401") << 401 << QByteArray(R"({"error":"nope"})")
                             << "api: Email ou mot de passe incorrect";
        QTest::newRow("403")
            << 403 << QByteArray(R"({"error":"Pending approval"})")
            << "api: Votre compte n'est pas encore activé. Contactez l'administrateur.";
        QTest::newRow("403 incorrect") << 403 << QByteArray(R"({"error":"incorrect"})")
                                       << "api: Email ou mot de passe incorrect";
        QTest::newRow("500 not json") << 500 << QByteArray("<html>oops</html>") << "decoding";
        QTest::newRow("500 Maintenance")
            << 500 << QByteArray(R"({"error":"Maintenance"})") << "api: HTTP 500: Maintenance";
        QTest::newRow("502 no message")
            << 502 << QByteArray("{}") << "api: HTTP 502: Erreur serveur";
        QTest::newRow("numeric user id")
            << 200 << QByteArray(R"({"token":"t","user":{"email":"a@b.c","id":7}})") << "decoding";
        QTest::newRow("token of the wrong type")
            << 200 << QByteArray(R"({"token":5})") << "decoding";
    }
    void login() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        m_server->on("POST", "/api/sync/auth", Response::json(body, status));
        const auto result = QCoro::waitFor(APIClient::login("jane+sync@example.com", "p&ss=\"w\""));
        const QString got = result ? QStringLiteral("ok: %1 %2 %3")
                                         .arg(result->token.value_or(QString()),
                                              result->user ? result->user->email : QString(),
                                              result->user ? result->user->id : QString())
                                   : outcome(result.error());
        QCOMPARE(got, expected);
        const auto request = m_server->requests().constLast();
        QCOMPARE(request.header("content-type"), QByteArray("application/json"));
        QCOMPARE(bodyOf(request),
                 (QJsonObject{{"email", "jane+sync@example.com"}, {"password", "p&ss=\"w\""}}));
    }

    void passwordReset_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("sent") << 200 << QByteArray("not even json") << "ok";
        QTest::newRow("400 with error") << 400 << QByteArray(R"({"error":"Adresse inconnue"})")
                                        << "api: HTTP 400: Adresse inconnue";
        QTest::newRow("401 keeps the body's text")
            << 401 << QByteArray(R"({"error":"x"})") << "api: HTTP 401: x";
        QTest::newRow("404 not json")
            << 404 << QByteArray("<html/>") << "api: HTTP 404: Erreur serveur";
    }
    void passwordReset() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        m_server->on("POST", "/api/sync/auth", Response::json(body, status));
        const auto result = QCoro::waitFor(APIClient::sendPasswordReset("a@b.c"));
        QCOMPARE(result ? QStringLiteral("ok") : outcome(result.error()), expected);
        QCOMPARE(bodyOf(m_server->requests().constLast()),
                 (QJsonObject{{"email", "a@b.c"}, {"action", "reset"}}));
    }

    void catalog_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two tracks")
            << 200
            << QByteArray(
                   R"({"tracks":[{"id":1,"title":"A","artist":"B"},{"id":2,"title":"C","artist":"D"}]})")
            << "ok: 2";
        QTest::newRow("404") << 404 << QByteArray(R"({"tracks":[]})")
                             << "api: HTTP 404: Erreur serveur";
        QTest::newRow("401 has no special meaning")
            << 401 << QByteArray() << "api: HTTP 401: Erreur serveur";
        QTest::newRow("no tracks")
            << 200 << QByteArray(R"({"tagLibrary":{}})") << "api: Format de réponse invalide";
        QTest::newRow("html") << 200 << QByteArray("<html/>") << "api: Format de réponse invalide";
    }
    void catalog() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        m_server->on("GET", "/api/sync/catalog", Response::json(body, status));
        const auto result = QCoro::waitFor(APIClient::fetchCatalog());
        QCOMPARE(result ? QStringLiteral("ok: %1").arg(result->tracks.size())
                        : outcome(result.error()),
                 expected);
        QVERIFY(m_server->requests().constLast().header("authorization").isEmpty());
    }

    void fetchFavorites_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("list kept as sent")
            << 200 << QByteArray(R"({"trackIds":[3,1,3,9007199254740993]})")
            << "3,1,3,9007199254740993";
        QTest::newRow("empty") << 200 << QByteArray(R"({"trackIds":[]})") << "";
        QTest::newRow("401") << 401 << QByteArray(R"({"trackIds":[1]})") << "none";
        QTest::newRow("no trackIds") << 200 << QByteArray("{}") << "none";
        QTest::newRow("text id") << 200 << QByteArray(R"({"trackIds":["1"]})") << "none";
        QTest::newRow("not json") << 200 << QByteArray("[") << "none";
    }
    void fetchFavorites() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        m_server->on("GET", "/api/sync/favorites", Response::json(body, status));
        const auto ids = QCoro::waitFor(APIClient::fetchFavorites("tok"));
        QStringList texts;
        if (ids)
            for (const TrackId id : *ids)
                texts << QString::number(id);
        QCOMPARE(ids ? texts.join(',') : QStringLiteral("none"), expected);
        QCOMPARE(m_server->requests().constLast().header("authorization"),
                 QByteArray("Bearer tok"));
    }

    void favoriteChanges() {
        m_server->on("POST", "/api/sync/favorites", Response::json("{}", 201));
        m_server->on("DELETE", "/api/sync/favorites", Response::json("<html>", 204));
        QVERIFY(QCoro::waitFor(APIClient::addFavorite("tok", Q_INT64_C(9007199254740993))).ok());
        QVERIFY(QCoro::waitFor(APIClient::removeFavorite("tok", 42)).ok());
        const auto requests = m_server->requests();
        QCOMPARE(requests[0].method, QByteArray("POST"));
        QCOMPARE(requests[0].header("authorization"), QByteArray("Bearer tok"));
        QCOMPARE(requests[0].header("content-type"), QByteArray("application/json"));
        QCOMPARE(requests[0].body, QByteArray(R"({"trackId":9007199254740993})"));
        // The DELETE's exact form: tst_favorites_sync, theServerIsToldInTheBackground.

        m_server->on("POST", "/api/sync/favorites", Response::json(R"({"error":"x"})", 401));
        const auto refused = QCoro::waitFor(APIClient::addFavorite("tok", 1));
        QCOMPARE(outcome(refused.error()), QStringLiteral("api: HTTP 401: Erreur serveur"));
    }

    void interpretation() {
        m_server->on("POST", "/api/search/interpret",
                     Response::json(R"({"tags":["Calm","Rain"]})"));
        const auto tags =
            QCoro::waitFor(APIClient::interpretSearch("pluie douce", {"Calm", "Rain"}));
        QCOMPARE(tags, std::optional<QStringList>({"Calm", "Rain"}));
        const auto request = m_server->requests().constLast();
        QVERIFY(request.header("authorization").isEmpty());
        QCOMPARE(bodyOf(request), (QJsonObject{{"query", "pluie douce"},
                                               {"availableTags", QJsonArray{"Calm", "Rain"}}}));

        for (const auto& [status, body] : {std::pair{200, QByteArray("{}")},
                                           {200, QByteArray(R"({"tags":[1]})")},
                                           {500, QByteArray(R"({"tags":["x"]})")}}) {
            m_server->on("POST", "/api/search/interpret", Response::json(body, status));
            QVERIFY(!QCoro::waitFor(APIClient::interpretSearch("q", {})));
        }
    }

    void cancelledInterpretationAbortsItsReply() {
        Response slow = Response::json(R"({"tags":["Calm"]})");
        slow.delayMs = 3000;
        m_server->on("POST", "/api/search/interpret", slow);
        Cancellation cancellation;
        QTimer::singleShot(100, &cancellation, &Cancellation::cancel);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!QCoro::waitFor(APIClient::interpretSearch("q", {}, &cancellation)));
        QVERIFY(clock.elapsed() < 2500);
    }

    void credentialsNeverFollowARedirectToAnotherOrigin() {
        test::ScriptedHttpServer elsewhere;
        elsewhere.setDefault(Response::json(R"({"token":"stolen","trackIds":[1]})"));
        Response toElsewhere;
        toElsewhere.status = 307;
        toElsewhere.redirectTo = elsewhere.url("/collect");
        m_server->on("*", "/api/sync/auth", toElsewhere);
        m_server->on("*", "/api/sync/favorites", toElsewhere);

        const auto login = QCoro::waitFor(APIClient::login("a@b.c", "secret"));
        QVERIFY(!login.ok());
        QVERIFY(!QCoro::waitFor(APIClient::fetchFavorites("tok")));
        QVERIFY(!QCoro::waitFor(APIClient::addFavorite("tok", 1)).ok());
        QTest::qWait(100);
        QCOMPARE(elsewhere.requests().size(), 0);
    }

    void transportFailuresNeverShowCredentials() {
        const QUrl closed = m_server->url({});
        m_server.reset(); // nothing listens on that port any more
        Track track;
        track.downloadFile = closed.toString() + "/api/audio/1.wav";
        const auto result = QCoro::waitFor(APIClient::downloadWAV(
            track, "jane@example.com", "s3cr3t-token", QDir::temp().filePath("x.wav")));
        QVERIFY(!result.ok());
        QCOMPARE(result.error().kind(), RequestError::Kind::Transport);
        QVERIFY(!result.error().description().isEmpty());
        QVERIFY(!result.error().description().contains("s3cr3t"));
        QVERIFY(!result.error().description().contains("jane"));
        QVERIFY(!QCoro::waitFor(APIClient::login("a@b.c", "p")).ok());
    }

    void invalidBaseAddress() {
        qputenv("ARU_SYNC_BASE_URL", "not a url");
        const auto login = QCoro::waitFor(APIClient::login("a", "b"));
        QCOMPARE(outcome(login.error()), QStringLiteral("api: URL invalide"));
        QVERIFY(!QCoro::waitFor(APIClient::fetchFavorites("t")));
    }
};

ARU_TEST_MAIN(APIClientTest)
#include "tst_api_client.moc"
