#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QUrlQuery>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QTcpServer;

namespace aru::test {

// An HTTP/1.1 server inside the test process, answering from scripts the test sets up. It runs on
// the thread's event loop like the client under test, so it never blocks: a delayed or slow
// answer on one connection leaves the others free, and large bodies are produced chunk by chunk
// as the socket drains, so a test can stream hundreds of megabytes without holding them.
// Connections stay open between requests unless a response, or the request, asks to close.
//
// Wait for replies with a real event loop (QSignalSpy::wait, QEventLoop): QTest::qWaitFor naps
// 10 ms between batches of events, which slows a large transfer to a few MB/s and changes how the
// client meets a closing connection.
class ScriptedHttpServer : public QObject {
    Q_OBJECT

public:
    struct Response {
        int status = 200;
        // Sent as given, after the status line.
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
        // Instead of `body`: bodySize bytes, produced on demand. bodyChunk(offset, maxBytes)
        // returns the next 1..maxBytes bytes starting at offset.
        qint64 bodySize = -1;
        std::function<QByteArray(qint64 offset, qint64 maxBytes)> bodyChunk = {};
        int delayMs = 0;      // before anything is sent
        int chunkDelayMs = 0; // between body chunks: a slow transfer
        qint64 chunkBytes = 64 * 1024;
        // Send only this many body bytes, then close (or, with `reset`, abort with RST) once they
        // have left the socket. The header still announces the full length, and no close.
        std::optional<qint64> cutAfter = {};
        bool reset = false;
        bool omitContentLength = false; // the body ends by closing the connection
        // A redirect: status 302 unless `status` is already a 3xx, with this Location.
        QUrl redirectTo = {};

        static Response json(const QByteArray& body, int status = 200);
        static Response text(const QByteArray& body, int status = 200);
        static Response binary(const QByteArray& body, int status = 200);
        // A deterministic body of `size` bytes made on demand; patternByte() tells each byte.
        static Response generated(qint64 size);
        static char patternByte(qint64 offset);
    };

    struct Request {
        QByteArray method;
        QByteArray target;                     // as sent: path and query
        QHash<QByteArray, QByteArray> headers; // names lower-cased; repeated headers joined by ", "
        QByteArray body;
        int connectionIndex = -1; // counts accepted connections from 0: shows keep-alive reuse

        QString path() const; // decoded, without the query
        QUrlQuery query() const;
        QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
    };

    // Listens at once on 127.0.0.1, on a free port.
    explicit ScriptedHttpServer(QObject* parent = nullptr);
    ~ScriptedHttpServer() override;

    // A new server that the client under test takes for the catalogue server (ARU_SYNC_BASE_URL).
    static std::unique_ptr<ScriptedHttpServer> asCatalogueServer();

    // "http://127.0.0.1:PORT", without a trailing slash.
    QUrl baseUrl() const;
    QUrl url(const QString& pathAndQuery) const {
        return QUrl(baseUrl().toString() + pathAndQuery);
    }

    // Answers requests with this method ("*": any) and decoded path (query ignored). The latest
    // matching script wins; after `times` answers (-1: no limit) it steps aside for older ones or
    // the default.
    void on(const QByteArray& method, const QString& path, Response response, int times = -1) {
        m_scripts.append(Script{method, path, std::move(response), times});
    }
    // The answer when no script matches; at first a 404 with an empty body.
    void setDefault(Response response) { m_default = std::move(response); }

    QList<Request> requests() const { return m_requests; }
    // The requests whose decoded path starts with `prefix`, in order.
    QList<Request> requestsTo(const QString& prefix) const;
    // Waits, running the event loop, until `count` requests arrived in all.
    bool waitForRequests(int count, int timeoutMs = 5000) const;

signals:
    void requestReceived(const aru::test::ScriptedHttpServer::Request& request);

private:
    class Connection;
    friend class Connection;

    struct Script {
        QByteArray method;
        QString path;
        Response response;
        int remaining = -1;
    };

    Response responseFor(const Request& request);

    QTcpServer* m_server = nullptr;
    QList<Connection*> m_connections;
    QList<Script> m_scripts;
    Response m_default;
    QList<Request> m_requests;
    int m_connectionCount = 0;
};

} // namespace aru::test
