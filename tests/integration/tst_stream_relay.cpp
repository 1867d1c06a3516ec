#include "ScriptedHttpServer.h"
#include "StreamRelay.h"
#include "TestHome.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <memory>

using namespace aru;
using Response = test::ScriptedHttpServer::Response;
using namespace std::chrono_literals;

namespace {

// A player's request to the relay, answered in full (or cut) before this returns.
struct Fetched {
    std::unique_ptr<QNetworkReply> reply;
    QByteArray body;
    int status() const {
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    }
};

} // namespace

class StreamRelayTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::ScriptedHttpServer> m_server;
    QNetworkAccessManager m_player;

    std::unique_ptr<QNetworkReply> get(const QUrl& url, const QByteArray& range = {}) {
        QNetworkRequest request(url);
        if (!range.isEmpty())
            request.setRawHeader("Range", range);
        return std::unique_ptr<QNetworkReply>(m_player.get(request));
    }

    Fetched fetch(const QUrl& url, const QByteArray& range = {}) {
        Fetched fetched{get(url, range), {}};
        QSignalSpy finished(fetched.reply.get(), &QNetworkReply::finished);
        if (!fetched.reply->isFinished())
            finished.wait(10000);
        fetched.body = fetched.reply->readAll();
        return fetched;
    }

private slots:
    void init() { m_server = std::make_unique<test::ScriptedHttpServer>(); }

    // What a player needs to seek arrives unchanged: the range asked for, the status, the
    // length and range headers, the bytes.
    void passesRangeRequestsOn() {
        Response partial = Response::binary("456789", 206);
        partial.headers = {{"Content-Type", "audio/wav"},
                           {"Content-Range", "bytes 4-9/10"},
                           {"Accept-Ranges", "bytes"}};
        m_server->on("GET", "/audio/7.wav", partial);
        StreamRelay relay;
        const QUrl local = relay.open(m_server->url("/audio/7.wav"));
        QCOMPARE(local.host(), "127.0.0.1");
        QVERIFY(local.path().endsWith("/7.wav"));

        const Fetched fetched = fetch(local, "bytes=4-");
        QCOMPARE(fetched.status(), 206);
        QCOMPARE(fetched.body, QByteArray("456789"));
        QCOMPARE(fetched.reply->rawHeader("Content-Range"), QByteArray("bytes 4-9/10"));
        QCOMPARE(fetched.reply->rawHeader("Content-Length"), QByteArray("6"));
        QCOMPARE(fetched.reply->rawHeader("Content-Type"), QByteArray("audio/wav"));
        QCOMPARE(m_server->requests().size(), 1);
        QCOMPARE(m_server->requests().first().header("Range"), QByteArray("bytes=4-"));

        // Error statuses pass as they are; an address the relay never gave is not found.
        m_server->on("GET", "/audio/gone.wav", Response::text("no such track", 404));
        const Fetched gone = fetch(relay.open(m_server->url("/audio/gone.wav")));
        QCOMPARE(gone.status(), 404);
        QCOMPARE(gone.body, QByteArray("no such track"));
        QUrl unknown = local;
        unknown.setPath("/0123/7.wav");
        QCOMPARE(fetch(unknown).status(), 404);
    }

    // A server that never answers costs the player the silence limit, not its thread.
    void aSilentServerIsAGatewayTimeout() {
        Response never = Response::binary("late");
        never.delayMs = 60000;
        m_server->on("GET", "/audio/1.wav", never);
        StreamRelay relay(300ms);
        QElapsedTimer clock;
        clock.start();
        const Fetched fetched = fetch(relay.open(m_server->url("/audio/1.wav")));
        QCOMPARE(fetched.status(), 504);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    }

    // The server falls silent in the middle of the body: closing the stream ends the player's
    // connection at once, the body visibly short; the address then leads nowhere.
    void closingEndsAStalledStreamAtOnce() {
        Response stalling = Response::generated(1'000'000);
        stalling.chunkBytes = 100'000;
        stalling.chunkDelayMs = 60000;
        m_server->on("GET", "/audio/2.wav", stalling);
        StreamRelay relay;
        const QUrl local = relay.open(m_server->url("/audio/2.wav"));
        const std::unique_ptr<QNetworkReply> reply = get(local);
        QByteArray received;
        connect(reply.get(), &QNetworkReply::readyRead, this,
                [&] { received += reply->readAll(); });
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 100'000, 10000);

        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        QElapsedTimer clock;
        clock.start();
        relay.close(local);
        QVERIFY(finished.wait(3000));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(reply->error() != QNetworkReply::NoError);
        QCOMPARE(fetch(local).status(), 404);
    }
};

ARU_TEST_MAIN(StreamRelayTest)
#include "tst_stream_relay.moc"
