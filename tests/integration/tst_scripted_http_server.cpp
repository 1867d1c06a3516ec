// The scripted HTTP server that client tests answer from, seen through Qt's own HTTP client:
// scripts, recorded requests, keep-alive, delays, and the broken transfers the downloader must
// survive.

#include "ScriptedHttpServer.h"
#include "TestHome.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QtTest/QtTest>
#include <memory>

using namespace aru::test;
using Response = ScriptedHttpServer::Response;

namespace {

struct Fetched {
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorString;
    int status = 0;
    QByteArray body;
    qint64 contentLength = -1; // as announced; -1 without the header
    QUrl url;
    QHash<QByteArray, QByteArray> headers; // names lower-cased
};

Fetched waitFor(QNetworkReply* reply) {
    std::unique_ptr<QNetworkReply> owner(reply);
    // A signal wait runs a real event loop; qWaitFor naps 10 ms between batches of events, which
    // would throttle a large transfer to a few MB/s.
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        [&] { QVERIFY(finished.wait(20000)); }();
    Fetched fetched;
    fetched.error = reply->error();
    fetched.errorString = reply->errorString();
    fetched.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    fetched.body = reply->readAll();
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    fetched.contentLength = length.isValid() ? length.toLongLong() : -1;
    fetched.url = reply->url();
    for (const auto& [name, value] : reply->rawHeaderPairs())
        fetched.headers.insert(name.toLower(), value);
    return fetched;
}

Fetched get(QNetworkAccessManager& manager, const QUrl& url) {
    return waitFor(manager.get(QNetworkRequest(url)));
}

// Writes raw bytes on a fresh connection and collects everything until the server closes it.
QByteArray rawExchange(const ScriptedHttpServer& server, const QByteArray& bytes) {
    QTcpSocket socket;
    QByteArray received;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { received += socket.readAll(); });
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    socket.write(bytes);
    QSignalSpy closed(&socket, &QTcpSocket::disconnected);
    if (!closed.wait(5000))
        qWarning("The server left the connection open");
    return received + socket.readAll();
}

} // namespace

class ScriptedHttpServerTest : public QObject {
    Q_OBJECT

private slots:
    void scriptedAnswerAndRecordedRequest() {
        ScriptedHttpServer server;
        QVERIFY(server.isListening());
        Response created = Response::json(R"({"id":7})", 201);
        created.headers.emplace_back("X-Request-Id", "abc-1");
        server.on("POST", "/api/items list", created);
        QSignalSpy received(&server, &ScriptedHttpServer::requestReceived);

        QNetworkAccessManager manager;
        QNetworkRequest request(server.url("/api/items%20list?tag=a%26b&page=2"));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        request.setRawHeader("X-Trace", "t-42");
        const Fetched reply = waitFor(manager.post(request, R"({"name":"Aru"})"));

        QCOMPARE(reply.error, QNetworkReply::NoError);
        QCOMPARE(reply.status, 201);
        QCOMPARE(reply.body, QByteArray(R"({"id":7})"));
        QCOMPARE(reply.contentLength, 8);
        QCOMPARE(reply.headers.value("content-type"), QByteArray("application/json"));
        QCOMPARE(reply.headers.value("x-request-id"), QByteArray("abc-1"));

        QCOMPARE(received.size(), 1);
        const QList<ScriptedHttpServer::Request> requests = server.requests();
        QCOMPARE(requests.size(), 1);
        const ScriptedHttpServer::Request& seen = requests.first();
        QCOMPARE(seen.method, QByteArray("POST"));
        QCOMPARE(seen.target, QByteArray("/api/items%20list?tag=a%26b&page=2"));
        QCOMPARE(seen.path(), QStringLiteral("/api/items list"));
        QCOMPARE(seen.query().queryItemValue("tag", QUrl::FullyDecoded), QStringLiteral("a&b"));
        QCOMPARE(seen.query().queryItemValue("page"), QStringLiteral("2"));
        QCOMPARE(seen.header("X-TRACE"), QByteArray("t-42"));
        QCOMPARE(seen.headers.value("content-type"), QByteArray("application/json"));
        QCOMPARE(seen.body, QByteArray(R"({"name":"Aru"})"));

        // No script for GET: the default answers.
        const Fetched missing = get(manager, server.url("/api/items%20list"));
        QCOMPARE(missing.status, 404);
        QCOMPARE(missing.error, QNetworkReply::ContentNotFoundError);
        QVERIFY(missing.body.isEmpty());

        Response moved;
        moved.redirectTo = server.url("/new");
        server.on("GET", "/old", moved);
        server.on("GET", "/new", Response::text("here"));
        const Fetched redirected = get(manager, server.url("/old"));
        QCOMPARE(redirected.status, 200);
        QCOMPARE(redirected.url, server.url("/new"));
        QCOMPARE(redirected.body, QByteArray("here"));
    }

    void scriptsApplyLatestFirstForTheirTimes() {
        ScriptedHttpServer server;
        server.setDefault(Response::text("default", 503));
        server.on("GET", "/x", Response::text("always"));
        server.on("GET", "/x", Response::text("twice"), 2);
        server.on("*", "/any", Response::text("any method"));

        QNetworkAccessManager manager;
        QStringList bodies;
        for (int i = 0; i < 3; ++i)
            bodies << QString::fromUtf8(
                get(manager, server.url("/x?i=" + QString::number(i))).body);
        QCOMPARE(bodies, QStringList({"twice", "twice", "always"}));

        const Fetched wrongMethod =
            waitFor(manager.deleteResource(QNetworkRequest(server.url("/x"))));
        QCOMPARE(wrongMethod.status, 503);
        QCOMPARE(wrongMethod.body, QByteArray("default"));
        QCOMPARE(waitFor(manager.put(QNetworkRequest(server.url("/any")), "1")).body,
                 QByteArray("any method"));
    }

    void keepAliveReusesTheConnectionUntilAskedToClose() {
        ScriptedHttpServer server;
        server.on("GET", "/a", Response::text("a"));
        Response last = Response::text("last");
        last.closeAfter = true;
        server.on("GET", "/last", last);

        QNetworkAccessManager manager;
        for (const char* path : {"/a", "/a", "/last", "/a"})
            QCOMPARE(get(manager, server.url(path)).error, QNetworkReply::NoError);

        QList<int> connections;
        for (const ScriptedHttpServer::Request& request : server.requests())
            connections << request.connectionIndex;
        QCOMPARE(connections, QList<int>({0, 0, 0, 1}));
        QCOMPARE(server.connectionCount(), 2);

        // Closing idle connections, as servers do after a while: the client has to reconnect.
        for (bool reset : {false, true}) {
            QCOMPARE(server.openConnectionCount(), 1);
            server.dropConnections(reset);
            QTRY_COMPARE(server.openConnectionCount(), 0);
            // Qt 6.4 hangs a request sent on a connection whose RST it has not yet read (no
            // error, no new connection); let it see the reset first.
            if (reset)
                QTest::qWait(200);
            QCOMPARE(get(manager, server.url("/a")).body, QByteArray("a"));
            QCOMPARE(server.requests().last().connectionIndex, server.connectionCount() - 1);
        }
        QCOMPARE(server.connectionCount(), 4);
    }

    void aDelayedAnswerLeavesOtherConnectionsFree() {
        ScriptedHttpServer server;
        Response slow = Response::text("slow");
        slow.delayMs = 700;
        server.on("GET", "/slow", slow);
        server.on("GET", "/fast", Response::text("fast"));

        QNetworkAccessManager manager;
        std::unique_ptr<QNetworkReply> slowReply(manager.get(QNetworkRequest(server.url("/slow"))));
        QVERIFY(server.waitForRequests(1));
        const Fetched fast = get(manager, server.url("/fast"));
        QCOMPARE(fast.body, QByteArray("fast"));
        QVERIFY(!slowReply->isFinished());
        QCOMPARE(waitFor(slowReply.release()).body, QByteArray("slow"));
    }

    void chunksArriveSeparatelyWithAChunkDelay() {
        ScriptedHttpServer server;
        Response trickle = Response::generated(4 * 1024);
        trickle.chunkBytes = 1024;
        trickle.chunkDelayMs = 60;
        server.on("GET", "/trickle", trickle);

        QNetworkAccessManager manager;
        QNetworkReply* reply = manager.get(QNetworkRequest(server.url("/trickle")));
        QByteArray body;
        int pieces = 0;
        connect(reply, &QNetworkReply::readyRead, [&] {
            body += reply->readAll();
            ++pieces;
        });
        body += waitFor(reply).body;
        QCOMPARE(body, Response::generated(4 * 1024).bodyChunk(0, 4 * 1024));
        // Each chunk came on its own: the transfer was spread out, not sent in one piece.
        QVERIFY2(pieces >= 3, qPrintable(QString::number(pieces)));
    }

    // A body that stops short of its Content-Length, on a fresh connection and on a kept-alive one
    // that already carried an answer. What Qt 6.4 reports varies from run to run: mostly
    // RemoteHostClosedError, but now and then (more often on a reused connection) it quietly
    // sends the request again on a new connection, drops that answer and finishes the short reply
    // with NoError. Hence the downloader compares the bytes received with Content-Length itself.
    // Qt's verdict is logged, not asserted.
    void truncatedBodies_data() {
        QTest::addColumn<bool>("reused");
        QTest::addColumn<bool>("reset");
        QTest::addColumn<bool>("announceClose");
        QTest::addColumn<qint64>("cutAfter");
        QTest::newRow("fresh, close") << false << false << false << qint64(50'000);
        QTest::newRow("fresh, reset") << false << true << false << qint64(50'000);
        QTest::newRow("reused, close") << true << false << false << qint64(50'000);
        QTest::newRow("reused, reset") << true << true << false << qint64(50'000);
        QTest::newRow("reused, close right after the head") << true << false << false << qint64(0);
        QTest::newRow("reused, reset right after the head") << true << true << false << qint64(0);
        QTest::newRow("reused, close announced") << true << false << true << qint64(50'000);
    }

    void truncatedBodies() {
        QFETCH(bool, reused);
        QFETCH(bool, reset);
        QFETCH(bool, announceClose);
        QFETCH(qint64, cutAfter);
        constexpr qint64 fullSize = 200'000;

        ScriptedHttpServer server;
        server.on("GET", "/first", Response::text("first"));
        // Should the client silently ask again, the second attempt gets this.
        server.on("GET", "/media", Response::text("second attempt"));
        Response cut = Response::generated(fullSize);
        cut.cutAfter = cutAfter;
        cut.reset = reset;
        cut.closeAfter = announceClose;
        server.on("GET", "/media", cut, 1);

        QNetworkAccessManager manager;
        if (reused)
            QCOMPARE(get(manager, server.url("/first")).error, QNetworkReply::NoError);
        const Fetched reply = get(manager, server.url("/media"));

        const QList<ScriptedHttpServer::Request> requests = server.requests();
        QStringList seen;
        for (const ScriptedHttpServer::Request& request : requests)
            seen << QStringLiteral("%1@%2").arg(request.path()).arg(request.connectionIndex);
        qInfo("%s: error %d (%s), received %lld of Content-Length %lld; requests %s",
              QTest::currentDataTag(), int(reply.error), qPrintable(reply.errorString),
              static_cast<long long>(reply.body.size()),
              static_cast<long long>(reply.contentLength), qPrintable(seen.join(' ')));

        // The cut answer went to the client's request on the first connection; a quiet second
        // attempt, if any, came on a new one.
        const qsizetype cutIndex = reused ? 1 : 0;
        QVERIFY(requests.size() > cutIndex);
        QCOMPARE(requests.at(cutIndex).path(), QStringLiteral("/media"));
        QCOMPARE(requests.at(cutIndex).connectionIndex, 0);
        for (qsizetype i = cutIndex + 1; i < requests.size(); ++i)
            QVERIFY(requests.at(i).connectionIndex > 0);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.contentLength, fullSize);
        QCOMPARE(reply.body, Response::generated(fullSize).bodyChunk(0, cutAfter));
    }

    void withoutContentLengthTheBodyEndsAtClose() {
        ScriptedHttpServer server;
        Response whole = Response::generated(100'000);
        whole.omitContentLength = true;
        server.on("GET", "/whole", whole);
        Response cut = whole;
        cut.cutAfter = 30'000;
        server.on("GET", "/cut", cut);

        QNetworkAccessManager manager;
        const Fetched full = get(manager, server.url("/whole"));
        QCOMPARE(full.error, QNetworkReply::NoError);
        QCOMPARE(full.contentLength, -1);
        QCOMPARE(full.body.size(), 100'000);
        QCOMPARE(full.headers.value("connection"), QByteArray("close"));

        // Nothing tells the client the body is short: only a length or a checksum can.
        const Fetched shortBody = get(manager, server.url("/cut"));
        QCOMPARE(shortBody.error, QNetworkReply::NoError);
        QCOMPARE(shortBody.body.size(), 30'000);

        // Each answer closed its connection. (Qt 6.4 now and then sends a request again after
        // such a close and ignores the answer, so the count of requests is not fixed.)
        QList<int> connections;
        for (const ScriptedHttpServer::Request& request : server.requests())
            connections << request.connectionIndex;
        QCOMPARE(QSet<int>(connections.begin(), connections.end()).size(), connections.size());
    }

    void aLargeGeneratedBodyStreamsInBoundedMemory() {
        constexpr qint64 size = 50 * 1024 * 1024;
        ScriptedHttpServer server;
        server.on("GET", "/big", Response::generated(size));

        QNetworkAccessManager manager;
        QNetworkReply* reply = manager.get(QNetworkRequest(server.url("/big")));
        reply->setReadBufferSize(256 * 1024);
        qint64 received = 0;
        qint64 firstMismatch = -1;
        connect(reply, &QNetworkReply::readyRead, [&] {
            const QByteArray data = reply->readAll();
            for (qsizetype i = 0; i < data.size() && firstMismatch < 0; ++i)
                if (data[i] != Response::patternByte(received + i))
                    firstMismatch = received + i;
            received += data.size();
        });
        const Fetched fetched = waitFor(reply);
        received += fetched.body.size();

        QCOMPARE(fetched.error, QNetworkReply::NoError);
        QCOMPARE(fetched.contentLength, size);
        QCOMPARE(received, size);
        QCOMPARE(firstMismatch, -1);
        QVERIFY2(server.peakBufferedBytes() < 1024 * 1024,
                 qPrintable(QString::number(server.peakBufferedBytes())));
    }

    void malformedAndChunkedRequestsOverRawSockets() {
        ScriptedHttpServer server;
        server.on("POST", "/upload", Response::text("stored"));

        QVERIFY(rawExchange(server, "NONSENSE\r\n\r\n").startsWith("HTTP/1.1 400 "));
        QVERIFY(rawExchange(server, "POST /upload HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\n")
                    .startsWith("HTTP/1.1 413 "));
        QVERIFY(rawExchange(server, QByteArray(100 * 1024, 'x')).startsWith("HTTP/1.1 431 "));
        QVERIFY(server.requests().isEmpty());

        const QByteArray answer = rawExchange(server, "POST /upload HTTP/1.1\r\n"
                                                      "Transfer-Encoding: chunked\r\n"
                                                      "Connection: close\r\n\r\n"
                                                      "5;ext=1\r\nhello\r\n"
                                                      "7\r\n, world\r\n"
                                                      "0\r\nX-Trailer: 1\r\n\r\n");
        QVERIFY2(answer.startsWith("HTTP/1.1 200 OK\r\n"), answer.constData());
        QVERIFY(answer.contains("\r\nConnection: close\r\n"));
        QVERIFY(answer.endsWith("\r\n\r\nstored"));
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(server.requests().first().body, QByteArray("hello, world"));

        // HEAD announces the length of the body it leaves out.
        server.on("HEAD", "/upload", Response::text("12345"));
        const QByteArray head =
            rawExchange(server, "HEAD /upload HTTP/1.1\r\nConnection: close\r\n\r\n");
        QVERIFY2(head.contains("\r\nContent-Length: 5\r\n") && head.endsWith("\r\n\r\n"),
                 head.constData());
    }
};

ARU_TEST_MAIN(ScriptedHttpServerTest)
#include "tst_scripted_http_server.moc"
