// The substitute catalogue server's contract with the client, one test per group of endpoints:
// accounts, catalogue, favourites, search, media, and the faults a test can inject. How the
// client reads these answers is tested against the same server in the client's own tests.
//
// JSON holding a double slash or a slash and a star is written as a plain string: moc reads it in
// a raw string as the start of a comment, and then misses the test class.

#include "CatalogServerProcess.h"
#include "RawHttp.h"
#include "TestHome.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QtTest/QtTest>
#include <future>

using namespace aru::test;

namespace {

constexpr qint64 kLargeId = Q_INT64_C(9007199254740993);
const QStringList kOfferedTags{"Calm", "Dark", "Melancholic", "Hopeful", "Nature", "Piano"};

QSet<QString> stringSet(const QJsonValue& value) {
    QSet<QString> set;
    for (const QJsonValue& item : value.toArray())
        set.insert(item.toString());
    return set;
}

QByteArray json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// An image search for a plain picture of one colour.
QByteArray imageSearch(const QColor& colour) {
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return json({{"image", "data:image/png;base64," + QString::fromLatin1(png.toBase64())},
                 {"availableTags", QJsonArray::fromStringList(kOfferedTags)}});
}

// A request as written on the socket; a POST carries `body`.
QByteArray request(const QByteArray& method, const QByteArray& path, const QByteArray& body = {},
                   const QByteArray& headers = {}, bool close = true) {
    return method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers +
           (close ? "Connection: close\r\n" : "") +
           (method == "POST" ? "Content-Length: " + QByteArray::number(body.size()) + "\r\n" : "") +
           "\r\n" + body;
}

QByteArray bearer(const QString& token) {
    return "Authorization: Bearer " + token.toUtf8() + "\r\n";
}

} // namespace

class CatalogServerTest : public QObject {
    Q_OBJECT

    CatalogServerProcess m_server;
    QByteArray m_catalogueBytes;
    QByteArray m_catalogueTag;
    QJsonObject m_catalogue;
    QString m_demoToken;
    QString m_janeToken;
    QByteArray m_wav; // track 1001's preview: the catalogue's first track, a short sting

    // One exchange on a connection of its own; {demo} and {jane} stand for the accounts' tokens.
    RawResponse send(QByteArray raw, int timeoutMs = 20000) {
        raw.replace("{demo}", m_demoToken.toUtf8()).replace("{jane}", m_janeToken.toUtf8());
        return RawHttp::exchange(m_server.port(), raw, timeoutMs);
    }
    QString tokenFor(const char* email) {
        const QJsonObject body{{"email", email}, {"password", "aru-demo"}};
        return send(request("POST", "/api/sync/auth", json(body))).json()["token"].toString();
    }
    QList<qint64> favourites(const QString& token) {
        QList<qint64> ids;
        const RawResponse reply = send(request("GET", "/api/sync/favorites", {}, bearer(token)));
        for (const QJsonValue& id : reply.json()["trackIds"].toArray())
            ids.append(id.toInteger());
        return ids;
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_server.isRunning(), qPrintable(m_server.errorString()));
        const RawResponse catalogue = send(request("GET", "/api/sync/catalog"));
        m_catalogueBytes = catalogue.body;
        m_catalogueTag = catalogue.header("ETag");
        m_catalogue = QJsonDocument::fromJson(m_catalogueBytes).object();
        m_demoToken = tokenFor("demo@aru.test");
        m_janeToken = tokenFor("sync+jane@aru.test");
        QVERIFY(!m_demoToken.isEmpty() && !m_janeToken.isEmpty());
        m_wav = send(request("GET", "/api/audio-stream/1001.wav")).body;
    }

    void cleanup() { QCOMPARE(send(request("DELETE", "/__faults")).status, 200); }

    // What each endpoint answers to requests it must refuse, or to the simplest that succeed.
    void statuses_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        const auto row = [](const QByteArray& name, const QByteArray& raw, int status) {
            QTest::newRow(name.constData()) << raw << status;
        };
        const auto auth = [](const QJsonObject& body) {
            return request("POST", "/api/sync/auth", json(body));
        };
        const auto get = [](const QByteArray& path) { return request("GET", path); };
        row("sign-in, not approved",
            auth({{"email", "pending@aru.test"}, {"password", "aru-demo"}}), 403);
        row("sign-in, wrong password", auth({{"email", "demo@aru.test"}, {"password", "no"}}), 401);
        row("sign-in, unknown account", auth({{"email", "who@aru.test"}, {"password", "aru-demo"}}),
            401);
        row("sign-in, no password", auth({{"email", "demo@aru.test"}}), 400);
        row("reset, known", auth({{"email", "pending@aru.test"}, {"action", "reset"}}), 200);
        row("reset, unknown", auth({{"email", "nobody@aru.test"}, {"action", "reset"}}), 404);
        const QByteArray favorites = "/api/sync/favorites";
        row("favourites, no token", get(favorites), 401);
        row("favourites, unknown token",
            request("POST", favorites, R"({"trackId":1002})", bearer("0123456789abcdef")), 401);
        row("favourites, other scheme",
            request("DELETE", favorites + "?trackId=2", {}, "Authorization: Basic ZGVtbzph\r\n"),
            401);
        row("favourites, fractional id",
            request("POST", favorites, R"({"trackId":12.5})", bearer("{demo}")), 400);
        row("favourites, text id",
            request("POST", favorites, R"({"trackId":"7"})", bearer("{demo}")), 400);
        row("favourites, removing no number",
            request("DELETE", favorites + "?trackId=x", {}, bearer("{demo}")), 400);
        row("interpret, cut JSON", request("POST", "/api/search/interpret", "{\"query\":"), 400);
        row("interpret, no tags offered",
            request("POST", "/api/search/interpret", json({{"query", "x"}})), 400);
        row("interpret, too large",
            request("POST", "/api/search/interpret", QByteArray(2 * 1024 * 1024, ' ')), 413);
        row("image, not an image",
            request("POST", "/api/search/image",
                    R"({"image":"data:image/png;base64,AAAA","availableTags":[]})"),
            400);
        row("image, too large",
            request("POST", "/api/search/image", QByteArray(21 * 1024 * 1024, ' ')), 413);
        row("peaks, even id", get("/api/sync/peaks/1002"), 200);
        row("peaks, odd id", get("/api/sync/peaks/1001"), 404);
        row("peaks, unknown id", get("/api/sync/peaks/4"), 404);
        row("cover, track without one", get("/covers/1005.png"), 404);
        row("cover, other format", get("/covers/1001.jpg"), 404);
        row("stream, unknown track", get("/api/audio-stream/42.wav"), 404);
        const QByteArray wav = "/api/download/1001.wav";
        row("download", get(wav + "?email=demo%40aru.test&token={demo}"), 200);
        row("download, existing query first", get(wav + "?v=2&email=demo%40aru.test&token={demo}"),
            200);
        // Sent raw, "+" decodes as a space; the server forgives it.
        row("download, raw plus", get(wav + "?email=sync+jane@aru.test&token={jane}"), 200);
        row("download, plus left out", get(wav + "?email=syncjane%40aru.test&token={jane}"), 403);
        row("download, another account's address",
            get(wav + "?email=sync%2Bjane%40aru.test&token={demo}"), 403);
        row("download, unknown token", get(wav + "?email=demo%40aru.test&token=ff{demo}"), 403);
        row("download, unknown track",
            get("/api/download/42.wav?email=demo%40aru.test&token={demo}"), 404);
        // A fault rule with a mistake would leave a test running without its fault.
        for (const char* rule :
             {"not json", R"({"status":500})", R"({"path":"api/no-slash"})",
              R"({"path":"/x","status":99})", R"({"path":"/x","delayMs":"soon"})",
              "{\"path\":\"/x\",\"redirectTo\":\"ftp://e/\"}", R"({"path":"/x","surprise":true})"})
            row(rule, request("POST", "/__faults", rule), 400);
    }
    void statuses() {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        const RawResponse reply = send(request);
        QCOMPARE(reply.status, status);
        if (request.contains("/api/sync/auth")) {
            // The client reads any error containing "incorrect" as wrong credentials.
            const QString error = reply.json()["error"].toString();
            QCOMPARE(error.isEmpty(), status == 200);
            QCOMPARE(error.contains("incorrect"), status == 401);
        }
        if (request.contains("/api/download/") && status == 200)
            QCOMPARE(reply.body, m_wav);
    }

    void catalogue() {
        QSet<qint64> ids;
        QSet<QString> variants;
        for (const QJsonValue& value : m_catalogue.value("tracks").toArray()) {
            const QJsonObject track = value.toObject();
            const QString audio = track["audioFile"].toString();
            ids.insert(track["id"].toInteger());
            QVERIFY(!track["title"].toString().isEmpty() && !track["artist"].toString().isEmpty());
            QVERIFY(audio.endsWith(QString("/api/audio/%1.wav").arg(track["id"].toInteger())));
            variants << (track["bpm"].isString() ? "text bpm" : "number bpm");
            if (!track.contains("coverArt"))
                variants << "no cover";
            if (track["downloadFile"].toString().endsWith("?v=2"))
                variants << "download query";
            if (audio.startsWith("http"))
                variants << "absolute audio";
        }
        // Each variant the client must read, and an id past 2^53 that survives only if the
        // server writes it exactly.
        QCOMPARE(ids.size(), 60);
        QVERIFY(ids.contains(kLargeId));
        QCOMPARE(variants, (QSet<QString>{"text bpm", "number bpm", "no cover", "download query",
                                          "absolute audio"}));

        // A client that names the catalogue's tag is told it has not changed, without a body.
        QVERIFY(m_catalogueTag.startsWith('"') && m_catalogueTag.size() > 2);
        const auto ifNoneMatch = [this](const QByteArray& tags) {
            return send(request("GET", "/api/sync/catalog", {}, "If-None-Match: " + tags + "\r\n"));
        };
        const RawResponse unchanged = ifNoneMatch("\"old\", W/" + m_catalogueTag);
        QCOMPARE(unchanged.status, 304);
        QVERIFY(unchanged.body.isEmpty());
        QCOMPARE(unchanged.header("ETag"), m_catalogueTag);
        QCOMPARE(ifNoneMatch("\"old\"").body, m_catalogueBytes);
    }

    // Sign-in gives each session a token of its own, the earlier ones staying valid; favourites
    // are kept per account.
    void signInAndFavourites() {
        const QJsonObject signedIn =
            send(request("POST", "/api/sync/auth",
                         json({{"email", " Demo@ARU.test "}, {"password", "aru-demo"}})))
                .json();
        const QString demoAgain = signedIn["token"].toString();
        QCOMPARE(demoAgain.size(), 64);
        QVERIFY(demoAgain != m_demoToken);
        QCOMPARE(signedIn["user"]["email"].toString(), "demo@aru.test");
        QVERIFY(signedIn["user"]["id"].isString());
        for (const qint64 id : {kLargeId, qint64(1003), kLargeId}) {
            const QByteArray body = json({{"trackId", id}});
            QCOMPARE(send(request("POST", "/api/sync/favorites", body, bearer(demoAgain))).status,
                     200);
        }
        QCOMPARE(favourites(m_demoToken), (QList<qint64>{kLargeId, 1003}));
        QCOMPARE(favourites(m_janeToken), QList<qint64>());
        const QByteArray remove = "/api/sync/favorites?trackId=" + QByteArray::number(kLargeId);
        QCOMPARE(send(request("DELETE", remove, {}, bearer(m_demoToken))).status, 200);
        QCOMPARE(favourites(demoAgain), QList<qint64>{1003});
    }

    void search_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("unexpected");
        const auto interpret = [](const char* text) {
            return request("POST", "/api/search/interpret",
                           json({{"query", text},
                                 {"availableTags", QJsonArray::fromStringList(kOfferedTags)}}));
        };
        QTest::newRow("japanese") << interpret("雨の夜") << QStringList{"Melancholic", "Dark"}
                                  << "";
        QTest::newRow("tag word") << interpret("something calm") << QStringList{"Calm"} << "";
        QTest::newRow("unknown words") << interpret("zzz qqq") << QStringList() << "";
        QTest::newRow("night picture")
            << request("POST", "/api/search/image", imageSearch(QColor(8, 10, 30)))
            << QStringList{"Dark"} << "Hopeful";
    }
    void search() {
        QFETCH(QByteArray, request);
        QFETCH(QStringList, expected);
        QFETCH(QString, unexpected);
        const RawResponse reply = send(request);
        QCOMPARE(reply.status, 200);
        // Only tags the client offered, never none.
        const QSet<QString> tags = stringSet(reply.json()["tags"]);
        QVERIFY(!tags.isEmpty());
        QVERIFY2(QSet<QString>(kOfferedTags.begin(), kOfferedTags.end()).contains(tags),
                 reply.body.constData());
        for (const QString& tag : expected)
            QVERIFY2(tags.contains(tag), reply.body.constData());
        QVERIFY2(!tags.contains(unexpected), reply.body.constData());
    }

    void previewPeaksAndCovers() {
        QCOMPARE(m_wav.left(4), QByteArray("RIFF"));
        QCOMPARE(m_wav.mid(36, 4), QByteArray("data"));
        const QStringList duration =
            m_catalogue.value("tracks")[0]["duration"].toString().split(':');
        const int seconds = duration.value(0).toInt() * 60 + duration.value(1).toInt();
        QCOMPARE(m_wav.size() - 44, qsizetype(seconds) * 44100 * 4); // 16-bit stereo
        QCOMPARE(send(request("GET", "/api/audio/1001.wav")).body, m_wav);
        // Track 1004 is not made yet: both first requests race to make it, and get the same.
        auto first = std::async(std::launch::async, [this] {
            return RawHttp::exchange(m_server.port(), request("GET", "/api/audio-stream/1004.wav"));
        });
        const RawResponse second = send(request("GET", "/api/audio/1004.wav"));
        const RawResponse firstReply = first.get();
        QVERIFY(firstReply.status == 200 && firstReply.body.size() > 44);
        QVERIFY(firstReply.body == second.body);

        const QJsonArray peaks =
            send(request("GET", "/api/sync/peaks/1002")).json()["peaks"].toArray();
        QCOMPARE(peaks.size(), 380);
        double highest = 0, lowest = 1;
        for (const QJsonValue& peak : peaks) {
            highest = std::max(highest, peak.toDouble(-1));
            lowest = std::min(lowest, peak.toDouble(-1));
        }
        QVERIFY(highest == 1.0 && lowest >= 0);

        const QString cover = m_catalogue.value("tracks")[0]["coverArt"].toString();
        QVERIFY(cover.startsWith(m_server.baseUrl().toString() + "/covers/"));
        const RawResponse image =
            send(request("GET", cover.mid(m_server.baseUrl().toString().size()).toUtf8()));
        QVERIFY(image.header("Content-Type").startsWith("image/"));
        QCOMPARE(QImage::fromData(image.body).size(), QSize(400, 400));
    }

    void ranges_data() {
        QTest::addColumn<QByteArray>("range");
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("last"); // from the end when negative
        QTest::newRow("start") << QByteArray("bytes=0-99") << 206 << 0LL << 99LL;
        QTest::newRow("open end") << QByteArray("bytes=1000-") << 206 << 1000LL << -1LL;
        QTest::newRow("suffix") << QByteArray("bytes=-10") << 206 << -10LL << -1LL;
        QTest::newRow("past the end is clamped")
            << QByteArray("bytes=40-999999999") << 206 << 40LL << -1LL;
        QTest::newRow("beyond the end") << QByteArray("bytes=999999999-") << 416 << 0LL << 0LL;
        QTest::newRow("several ranges: whole body")
            << QByteArray("bytes=0-1,5-9") << 200 << 0LL << -1LL;
    }
    void ranges() {
        QFETCH(QByteArray, range);
        QFETCH(int, status);
        QFETCH(qint64, first);
        QFETCH(qint64, last);
        const qint64 size = m_wav.size();
        const RawResponse reply =
            send(request("GET", "/api/audio-stream/1001.wav", {}, "Range: " + range + "\r\n"));
        QCOMPARE(reply.status, status);
        if (status == 416) {
            QCOMPARE(reply.header("Content-Range"), "bytes */" + QByteArray::number(size));
            return;
        }
        QCOMPARE(reply.header("Accept-Ranges"), QByteArray("bytes"));
        first += first < 0 ? size : 0;
        last += last < 0 ? size : 0;
        QCOMPARE(reply.header("Content-Length").toLongLong(), last - first + 1);
        QCOMPARE(reply.body, m_wav.mid(first, last - first + 1));
        if (status == 206)
            QCOMPARE(reply.header("Content-Range"),
                     QString("bytes %1-%2/%3").arg(first).arg(last).arg(size).toLatin1());
    }

    void faults_data() {
        QTest::addColumn<QByteArray>("rule");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        // -1: the whole catalogue, -2: any; on a reset, at most this many.
        QTest::addColumn<qint64>("bodyBytes");
        QTest::addColumn<QString>("ending");  // "closed", "reset" or "open"
        QTest::addColumn<QByteArray>("head"); // a line the head holds; "!name": a header it lacks
        const QByteArray get = request("GET", "/api/sync/catalog");
        const auto row = [](const char* name, const QByteArray& rule, const QByteArray& request,
                            int status, qint64 bodyBytes, const char* ending,
                            const char* head = "") {
            QTest::newRow(name) << rule << request << status << bodyBytes << QString(ending)
                                << QByteArray(head);
        };
        row("status, body and type, a number of times",
            json({{"path", "/api/sync/catalog"},
                  {"status", 503},
                  {"body", R"({"error":"Maintenance"})"},
                  {"times", 1}}),
            get, 503, 23, "closed", "Content-Type: application/json");
        row("delay", R"({"path":"/api/sync/catalog","delayMs":400})", get, 200, -1, "closed");
        row("truncated, then closed", R"({"path":"/api/sync/catalog","truncateAfter":100})", get,
            200, 100, "closed", "Content-Length: {size}");
        row("truncated, then reset",
            R"({"path":"/api/sync/catalog","truncateAfter":100,"reset":true})", get, 200, 100,
            "reset");
        row("stalled", R"({"path":"/api/sync/catalog","stallAfter":100})", get, 200, 100, "open",
            "Content-Length: {size}");
        row("truncated download, by prefix",
            "{\"path\":\"/api/download/*\",\"truncateAfter\":5000}",
            request("GET", "/api/download/1001.wav?email=demo%40aru.test&token={demo}"), 200, 5000,
            "closed");
        // Keep-alive asked for: the body can still only end with the connection.
        row("no length", R"({"path":"/api/sync/catalog","omitContentLength":true})",
            request("GET", "/api/sync/catalog", {}, {}, false), 200, -1, "closed",
            "!Content-Length");
        row("not JSON", R"({"path":"/api/sync/catalog","notJson":true})", get, 200, -2, "closed");
        row("redirect",
            "{\"path\":\"/api/sync/favorites\",\"redirectTo\":\"http://127.0.0.2:9/x\"}",
            request("GET", "/api/sync/favorites"), 302, -2, "closed",
            "Location: http://127.0.0.2:9/x");
        const char* postsOnly = "{\"path\":\"/api/sync/*\",\"method\":\"post\",\"status\":500}";
        row("method and prefix", postsOnly, request("POST", "/api/sync/auth", "{}"), 500, -2,
            "closed");
        row("method and prefix: another method", postsOnly, get, 200, -1, "closed");
        row("method and prefix: another path", postsOnly,
            request("POST", "/api/search/interpret", "{}"), 400, -2, "closed");
    }
    void faults() {
        QFETCH(QByteArray, rule);
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(qint64, bodyBytes);
        QFETCH(QString, ending);
        QFETCH(QByteArray, head);
        const RawResponse added = send(::request("POST", "/__faults", rule));
        QVERIFY2(added.status == 200, added.body.constData());

        QElapsedTimer clock;
        clock.start();
        const RawResponse response = send(request, ending == "open" ? 1000 : 20000);
        const QJsonObject fault = QJsonDocument::fromJson(rule).object();
        QVERIFY(clock.elapsed() >= fault.value("delayMs").toInt());
        // Bytes sent before a reset may never be read.
        if (ending != "reset")
            QCOMPARE(response.status, status);
        if (bodyBytes == -1)
            QCOMPARE(response.body, m_catalogueBytes);
        else if (ending == "reset")
            QVERIFY(response.body.size() <= bodyBytes);
        else if (bodyBytes >= 0)
            QCOMPARE(response.body.size(), bodyBytes);
        QCOMPARE(response.closed, ending == "closed");
        QCOMPARE(response.reset, ending == "reset");
        head.replace("{size}", QByteArray::number(m_catalogueBytes.size()));
        if (head.startsWith('!'))
            QVERIFY(response.header(head.mid(1)).isEmpty());
        else
            QVERIFY2(response.head.contains(head), response.head.constData());
        if (fault.contains("notJson"))
            QVERIFY(!response.body.isEmpty() && QJsonDocument::fromJson(response.body).isNull());
        // A rule for a number of times then steps aside.
        if (fault.contains("times"))
            QCOMPARE(send(::request("GET", "/api/sync/catalog")).body, m_catalogueBytes);
    }
};

ARU_TEST_MAIN(CatalogServerTest)
#include "tst_catalog_server.moc"
