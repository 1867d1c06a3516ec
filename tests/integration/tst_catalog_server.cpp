// The substitute catalogue server's contract with the client, one test per group of endpoints.
// Sign-in, the catalogue, adding a favourite, a download with a query, an image search and a
// delay or stall injected on the command line or through /__faults are exercised against the
// same server by the client's own tests; this covers what they do not reach.

#include "CatalogServerProcess.h"
#include "RawHttp.h"
#include "TestHome.h"

#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QtTest/QtTest>

using namespace aru::test;

namespace {

constexpr qint64 kLargeId = Q_INT64_C(9007199254740993);
const QStringList kOfferedTags{"Calm", "Dark", "Melancholic", "Hopeful", "Nature", "Piano"};

QByteArray json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A request as written on the socket; a POST carries `body`.
QByteArray request(const QByteArray& method, const QByteArray& path, const QByteArray& body = {},
                   const QByteArray& headers = {}) {
    return method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers +
           "Connection: close\r\n" +
           (method == "POST" ? "Content-Length: " + QByteArray::number(body.size()) + "\r\n" : "") +
           "\r\n" + body;
}

QByteArray auth(const char* email, const char* password = "aru-demo") {
    return request("POST", "/api/sync/auth", json({{"email", email}, {"password", password}}));
}

QByteArray bearer(const QString& token) {
    return "Authorization: Bearer " + token.toUtf8() + "\r\n";
}

} // namespace

class CatalogServerTest : public QObject {
    Q_OBJECT

    CatalogServerProcess m_server;
    QByteArray m_catalogueBytes;
    QJsonObject m_catalogue;
    QString m_demoToken;
    QByteArray m_wav; // track 1001's preview: the catalogue's first track, a short sting

    // One exchange on a connection of its own; {demo} stands for the demo account's token.
    RawResponse send(QByteArray raw, int timeoutMs = 20000) {
        return RawHttp::exchange(m_server.port(), raw.replace("{demo}", m_demoToken.toUtf8()),
                                 timeoutMs);
    }
    QJsonArray favourites(const QString& token) {
        return send(request("GET", "/api/sync/favorites", {}, bearer(token)))
            .json()["trackIds"]
            .toArray();
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_server.isRunning(), qPrintable(m_server.errorString()));
        m_catalogueBytes = send(request("GET", "/api/sync/catalog")).body;
        m_catalogue = QJsonDocument::fromJson(m_catalogueBytes).object();
        m_demoToken = send(auth("demo@aru.test")).json()["token"].toString();
        QVERIFY(!m_demoToken.isEmpty());
        m_wav = send(request("GET", "/api/audio-stream/1001.wav")).body;
    }

    void cleanup() { QCOMPARE(send(request("DELETE", "/__faults")).status, 200); }

    // What each endpoint answers to requests it must refuse, or to the simplest that succeed.
    void statuses_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        const auto row = [](const char* name, const QByteArray& raw, int status) {
            QTest::newRow(name) << raw << status;
        };
        row("sign-in, not approved", auth("pending@aru.test"), 403);
        row("sign-in, wrong password", auth("demo@aru.test", "no"), 401);
        row("reset, unknown",
            request("POST", "/api/sync/auth",
                    json({{"email", "nobody@aru.test"}, {"action", "reset"}})),
            404);
        row("favourites, no token", request("GET", "/api/sync/favorites"), 401);
        // The waveform is drawn from the audio when the server has no peaks.
        row("peaks, odd id", request("GET", "/api/sync/peaks/1001"), 404);
        row("download, unknown token",
            request("GET", "/api/download/1001.wav?email=demo%40aru.test&token=ff{demo}"), 403);
        // A fault rule with a mistake would leave a test running without its fault.
        row("fault, unknown key", request("POST", "/__faults", R"({"path":"/x","surprise":true})"),
            400);
    }
    void statuses() {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        const RawResponse reply = send(request);
        QCOMPARE(reply.status, status);
        // The client reads any error containing "incorrect" as wrong credentials.
        if (request.contains("/api/sync/auth"))
            QCOMPARE(reply.json()["error"].toString().contains("incorrect"), status == 401);
    }

    // Every variant the client must read, an id past 2^53 written exactly, and a 304 for a client
    // naming the current tag among others; favourites kept per account, across its sessions.
    void catalogueAndFavourites() {
        QSet<qint64> ids;
        QSet<QString> variants;
        for (const QJsonValue& value : m_catalogue.value("tracks").toArray()) {
            const QJsonObject track = value.toObject();
            ids.insert(track["id"].toInteger());
            variants << (track["bpm"].isString() ? "text bpm" : "number bpm");
            if (!track.contains("coverArt"))
                variants << "no cover";
            if (track["audioFile"].toString().startsWith("http"))
                variants << "absolute audio";
        }
        QVERIFY(ids.size() == 60 && ids.contains(kLargeId));
        QCOMPARE(variants, (QSet<QString>{"text bpm", "number bpm", "no cover", "absolute audio"}));
        const QByteArray tag = send(request("GET", "/api/sync/catalog")).header("ETag");
        const RawResponse unchanged = send(
            request("GET", "/api/sync/catalog", {}, "If-None-Match: \"old\", W/" + tag + "\r\n"));
        QVERIFY(tag.startsWith('"') && unchanged.status == 304 && unchanged.body.isEmpty());

        const QString again = send(auth(" Demo@ARU.test ")).json()["token"].toString();
        QVERIFY(!again.isEmpty() && again != m_demoToken);
        for (const qint64 id : {kLargeId, qint64(1003), kLargeId})
            send(request("POST", "/api/sync/favorites", json({{"trackId", id}}), bearer(again)));
        const QByteArray remove = "/api/sync/favorites?trackId=1003";
        QCOMPARE(send(request("DELETE", remove, {}, bearer(m_demoToken))).status, 200);
        QCOMPARE(favourites(m_demoToken), QJsonArray{kLargeId});
        const QString jane = send(auth("sync+jane@aru.test")).json()["token"].toString();
        QCOMPARE(favourites(jane), QJsonArray());
    }

    // Tags read from the words, only among those the client offered.
    void interpret_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("japanese") << "雨の夜" << QStringList{"Melancholic", "Dark"};
        QTest::newRow("tag word") << "something calm" << QStringList{"Calm"};
    }
    void interpret() {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        const RawResponse reply = send(request(
            "POST", "/api/search/interpret",
            json({{"query", query}, {"availableTags", QJsonArray::fromStringList(kOfferedTags)}})));
        const QStringList tags = reply.json()["tags"].toVariant().toStringList();
        for (const QString& tag : expected)
            QVERIFY2(tags.contains(tag), reply.body.constData());
        for (const QString& tag : tags)
            QVERIFY2(kOfferedTags.contains(tag), reply.body.constData());
    }

    void previewPeaksAndCovers() {
        const QStringList duration =
            m_catalogue.value("tracks")[0]["duration"].toString().split(':');
        const int seconds = duration.value(0).toInt() * 60 + duration.value(1).toInt();
        QCOMPARE(m_wav.size() - 44, qsizetype(seconds) * 44100 * 4); // 16-bit stereo
        QCOMPARE(send(request("GET", "/api/audio/1001.wav")).body, m_wav);
        const QJsonArray peaks =
            send(request("GET", "/api/sync/peaks/1002")).json()["peaks"].toArray();
        QCOMPARE(peaks.size(), 380);
        for (const QJsonValue& peak : peaks)
            QVERIFY(peak.toDouble(-1) >= 0 && peak.toDouble() <= 1);
        const QString base = m_server.baseUrl().toString();
        const QString cover = m_catalogue.value("tracks")[0]["coverArt"].toString();
        QVERIFY(cover.startsWith(base + "/covers/"));
        const RawResponse image = send(request("GET", cover.mid(base.size()).toUtf8()));
        QCOMPARE(QImage::fromData(image.body).size(), QSize(400, 400));
    }

    // The player seeks in streamed previews by range.
    void ranges_data() {
        QTest::addColumn<QByteArray>("range");
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("last"); // from the end when negative
        QTest::newRow("start") << QByteArray("bytes=0-99") << 206 << 0LL << 99LL;
        QTest::newRow("open end") << QByteArray("bytes=1000-") << 206 << 1000LL << -1LL;
        QTest::newRow("suffix") << QByteArray("bytes=-10") << 206 << -10LL << -1LL;
        QTest::newRow("beyond the end") << QByteArray("bytes=999999999-") << 416 << 0LL << 0LL;
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
        first += first < 0 ? size : 0;
        last += last < 0 ? size : 0;
        const QByteArray span =
            status == 416 ? "*" : QByteArray::number(first) + '-' + QByteArray::number(last);
        QCOMPARE(reply.header("Content-Range"), "bytes " + span + '/' + QByteArray::number(size));
        if (status == 206)
            QCOMPARE(reply.body, m_wav.mid(first, last - first + 1));
    }

    // The faults the client's tests inject: a delay, and a body that stalls on an open connection.
    // cleanup() checks that they can be cleared.
    void faults_data() {
        QTest::addColumn<QByteArray>("rule");
        QTest::addColumn<qint64>("bodyBytes"); // -1: the whole catalogue
        QTest::newRow("delay") << QByteArray(R"({"path":"/api/sync/catalog","delayMs":400})")
                               << -1LL;
        QTest::newRow("stalled") << QByteArray(R"({"path":"/api/sync/catalog","stallAfter":100})")
                                 << 100LL;
    }
    void faults() {
        QFETCH(QByteArray, rule);
        QFETCH(qint64, bodyBytes);
        const RawResponse added = send(request("POST", "/__faults", rule));
        QVERIFY2(added.status == 200, added.body.constData());
        QElapsedTimer clock;
        clock.start();
        const RawResponse response = send(request("GET", "/api/sync/catalog"), 1500);
        QVERIFY(clock.elapsed() >= QJsonDocument::fromJson(rule)["delayMs"].toInt());
        QCOMPARE(response.status, 200);
        QCOMPARE(response.body.size(), bodyBytes < 0 ? m_catalogueBytes.size() : bodyBytes);
        QCOMPARE(response.closed, bodyBytes < 0);
    }
};

ARU_TEST_MAIN(CatalogServerTest)
#include "tst_catalog_server.moc"
