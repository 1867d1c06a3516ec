#include "ScriptedHttpServer.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <iterator>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace aru::test {

using Response = ScriptedHttpServer::Response;

namespace {

// The next body chunk is produced only while the socket holds less than this: memory stays at a
// few chunks however long the body.
constexpr qint64 kWriteHighWater = 256 * 1024;
// How long a reset waits for sent bytes to leave the kernel before it gives up waiting.
constexpr int kDrainPollMs = 5;
constexpr int kDrainPollLimit = 400;

Response typed(const QByteArray& contentType, const QByteArray& body, int status) {
    return {status, {{"Content-Type", contentType}}, body};
}

} // namespace

Response Response::json(const QByteArray& body, int status) {
    return typed("application/json", body, status);
}

Response Response::text(const QByteArray& body, int status) {
    return typed("text/plain; charset=utf-8", body, status);
}

Response Response::binary(const QByteArray& body, int status) {
    return typed("application/octet-stream", body, status);
}

char ScriptedHttpServer::Response::patternByte(qint64 offset) {
    // A prime period: a chunk dropped, repeated or misplaced at any power-of-two size shows.
    return static_cast<char>('!' + offset % 89);
}

Response Response::generated(qint64 size) {
    Response response = binary({});
    response.bodySize = size;
    response.bodyChunk = [](qint64 offset, qint64 maxBytes) {
        QByteArray chunk(maxBytes, Qt::Uninitialized);
        for (qint64 i = 0; i < maxBytes; ++i)
            chunk[i] = patternByte(offset + i);
        return chunk;
    };
    return response;
}

QString ScriptedHttpServer::Request::path() const {
    return QUrl::fromPercentEncoding(target.split('?').constFirst());
}

QUrlQuery ScriptedHttpServer::Request::query() const {
    const qsizetype queryStart = target.indexOf('?');
    return queryStart < 0 ? QUrlQuery() : QUrlQuery(QString::fromUtf8(target.mid(queryStart + 1)));
}

// One accepted socket: reads a request, answers it from the scripts, then reads the next one if
// the connection stays open.
class ScriptedHttpServer::Connection : public QObject {
public:
    Connection(ScriptedHttpServer* server, QTcpSocket* socket, int index)
        : QObject(server)
        , m_server(server)
        , m_socket(socket)
        , m_index(index) {
        m_socket->setParent(this);
        connect(m_socket, &QTcpSocket::readyRead, this, [this] {
            m_in.append(m_socket->readAll());
            parse();
        });
        connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
            if (m_resetWhenDrained)
                resetWhenDrained();
            else if (m_sending)
                pump();
        });
        connect(m_socket, &QTcpSocket::disconnected, this, [this] {
            m_closed = true;
            deleteLater();
        });
    }

    ~Connection() override {
        m_server->m_connections.removeOne(this);
        QObject::disconnect(m_socket, nullptr, this, nullptr);
        m_socket->abort();
    }

private:
    // Takes the next whole request out of the input, unless an answer is still under way.
    void parse() {
        const qsizetype headEnd = m_in.indexOf("\r\n\r\n");
        if (m_answering || m_closed || headEnd < 0)
            return;
        Request request;
        request.connectionIndex = m_index;
        const QList<QByteArray> lines = m_in.left(headEnd).split('\n');
        const QList<QByteArray> requestLine = lines[0].trimmed().split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        for (const QByteArray& line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            QByteArray& value = request.headers[line.left(colon).trimmed().toLower()];
            value += (value.isEmpty() ? "" : ", ") + line.mid(colon + 1).trimmed();
        }
        const qint64 length = request.header("content-length").toLongLong();
        if (m_in.size() < headEnd + 4 + length)
            return; // the body is still arriving
        request.body = m_in.mid(headEnd + 4, length);
        m_in.remove(0, headEnd + 4 + length);

        m_answering = true;
        m_server->m_requests.append(request);
        emit m_server->requestReceived(request);
        m_response = m_server->responseFor(request);
        m_keepAlive = request.header("connection").toLower() != "close";
        if (m_response.delayMs > 0)
            QTimer::singleShot(m_response.delayMs, this, &Connection::sendHead);
        else
            sendHead();
    }

    void sendHead() {
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return;
        const Response& response = m_response;
        const int status =
            response.redirectTo.isValid() && response.status / 100 != 3 ? 302 : response.status;
        const qint64 total =
            response.bodyChunk ? std::max<qint64>(response.bodySize, 0) : response.body.size();
        // A cut alone closes without warning: the client expects the connection to stay open.
        const bool announceClose = !m_keepAlive || response.omitContentLength;
        m_closeAfter = announceClose || response.cutAfter.has_value();

        QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + " Scripted\r\n";
        if (response.redirectTo.isValid())
            head += "Location: " + response.redirectTo.toEncoded() + "\r\n";
        for (const auto& [name, value] : response.headers)
            head += name + ": " + value + "\r\n";
        const bool withoutBody = status == 204 || status == 304;
        if (!response.omitContentLength && !withoutBody)
            head += "Content-Length: " + QByteArray::number(total) + "\r\n";
        if (announceClose)
            head += "Connection: close\r\n";
        m_socket->write(head + "\r\n");

        m_sent = 0;
        m_limit = withoutBody ? 0 : std::min(total, response.cutAfter.value_or(total));
        m_sending = true;
        pump();
    }

    // Writes body chunks while the socket has room; bytesWritten and the chunk timer call again.
    void pump() {
        while (!m_closed && !m_waitingForTimer && m_sent < m_limit &&
               m_socket->bytesToWrite() < kWriteHighWater) {
            const qint64 size = std::min(m_response.chunkBytes, m_limit - m_sent);
            const QByteArray chunk = m_response.bodyChunk ? m_response.bodyChunk(m_sent, size)
                                                          : m_response.body.mid(m_sent, size);
            m_socket->write(chunk);
            m_sent += chunk.size();
            if (m_response.chunkDelayMs > 0 && m_sent < m_limit) {
                m_waitingForTimer = true;
                QTimer::singleShot(m_response.chunkDelayMs, this, [this] {
                    m_waitingForTimer = false;
                    pump();
                });
            }
        }
        if (m_closed || m_sent < m_limit || !m_sending)
            return;
        m_sending = false;
        if (m_response.cutAfter && m_response.reset) {
            m_resetWhenDrained = true;
            resetWhenDrained();
        } else if (m_closeAfter) {
            m_closed = true;
            m_socket->disconnectFromHost(); // sends what is buffered, then FIN
        } else {
            m_answering = false;
            // Queued: a client that sends many requests at once does not deepen the stack.
            QMetaObject::invokeMethod(this, &Connection::parse, Qt::QueuedConnection);
        }
    }

    // A reset discards whatever the kernel has not yet sent, so it waits until the body bytes
    // have left: the client then sees exactly `cutAfter` bytes before the RST.
    void resetWhenDrained() {
        if (m_socket->state() != QAbstractSocket::ConnectedState || m_socket->bytesToWrite() > 0)
            return; // bytesWritten calls again
        const int fd = int(m_socket->socketDescriptor());
        int unsent = 0;
        if (ioctl(fd, SIOCOUTQ, &unsent) == 0 && unsent > 0 && m_drainPolls++ < kDrainPollLimit) {
            QTimer::singleShot(kDrainPollMs, this, [this] { resetWhenDrained(); });
            return;
        }
        // A zero linger time makes the close an abort: RST rather than FIN.
        linger abortive{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        m_resetWhenDrained = false;
        m_closed = true;
        m_socket->abort();
        deleteLater();
    }

    ScriptedHttpServer* m_server;
    QTcpSocket* m_socket;
    const int m_index;
    QByteArray m_in;
    Response m_response;
    bool m_answering = false;
    bool m_closed = false;
    bool m_keepAlive = true;
    bool m_closeAfter = false;
    bool m_sending = false; // from the head until the last body byte is queued
    bool m_waitingForTimer = false;
    bool m_resetWhenDrained = false;
    int m_drainPolls = 0;
    qint64 m_sent = 0;
    qint64 m_limit = 0;
};

ScriptedHttpServer::ScriptedHttpServer(QObject* parent)
    : QObject(parent)
    , m_server(new QTcpServer(this)) {
    m_default.status = 404;
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection())
            m_connections.append(new Connection(this, socket, m_connectionCount++));
    });
    if (!m_server->listen(QHostAddress::LocalHost, 0))
        qWarning("ScriptedHttpServer: cannot listen: %s", qPrintable(m_server->errorString()));
}

ScriptedHttpServer::~ScriptedHttpServer() {
    // Connections unregister themselves here, so they go while the list still exists.
    qDeleteAll(QList<Connection*>(m_connections));
    delete m_server;
}

std::unique_ptr<ScriptedHttpServer> ScriptedHttpServer::asCatalogueServer() {
    auto server = std::make_unique<ScriptedHttpServer>();
    qputenv("ARU_SYNC_BASE_URL", server->baseUrl().toString().toUtf8());
    return server;
}

QUrl ScriptedHttpServer::baseUrl() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server->serverPort()));
}

QList<ScriptedHttpServer::Request> ScriptedHttpServer::requestsTo(const QString& prefix) const {
    QList<Request> matching;
    std::copy_if(m_requests.begin(), m_requests.end(), std::back_inserter(matching),
                 [&](const Request& request) { return request.path().startsWith(prefix); });
    return matching;
}

bool ScriptedHttpServer::waitForRequests(int count, int timeoutMs) const {
    // A real event loop rather than qWaitFor, which naps between batches of events.
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    connect(this, &ScriptedHttpServer::requestReceived, &loop, [&] {
        if (m_requests.size() >= count)
            loop.quit();
    });
    if (m_requests.size() < count)
        loop.exec();
    return m_requests.size() >= count;
}

Response ScriptedHttpServer::responseFor(const Request& request) {
    const QString path = request.path();
    for (qsizetype i = m_scripts.size() - 1; i >= 0; --i) {
        Script& script = m_scripts[i];
        if (script.remaining == 0 || script.path != path ||
            (script.method != "*" && script.method != request.method))
            continue;
        if (script.remaining > 0)
            --script.remaining;
        return script.response;
    }
    return m_default;
}

} // namespace aru::test
