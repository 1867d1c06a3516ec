#include "ScriptedHttpServer.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace aru::test {

namespace {

constexpr qsizetype kMaxHeadBytes = 64 * 1024;
constexpr qint64 kMaxBodyBytes = 64 * 1024 * 1024;
// The next body chunk is produced only while the socket holds less than this: memory stays at a
// few chunks however long the body.
constexpr qint64 kWriteHighWater = 256 * 1024;
// How long a reset waits for sent bytes to leave the kernel before it gives up waiting.
constexpr int kDrainPollMs = 5;
constexpr int kDrainPollLimit = 400;

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 100:
        return "Continue";
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 206:
        return "Partial Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 304:
        return "Not Modified";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 408:
        return "Request Timeout";
    case 409:
        return "Conflict";
    case 413:
        return "Content Too Large";
    case 416:
        return "Range Not Satisfiable";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return "Status";
    }
}

bool hasToken(const QByteArray& headerValue, const QByteArray& token) {
    for (const QByteArray& part : headerValue.split(','))
        if (part.trimmed().compare(token, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool hasHeader(const QList<std::pair<QByteArray, QByteArray>>& headers, const QByteArray& name) {
    return std::any_of(headers.begin(), headers.end(), [&](const auto& header) {
        return header.first.compare(name, Qt::CaseInsensitive) == 0;
    });
}

// Where the head ends (the index after its blank line), or -1. Bare LF line ends are accepted.
qsizetype headEnd(const QByteArray& data) {
    const qsizetype crlf = data.indexOf("\r\n\r\n");
    const qsizetype lf = data.indexOf("\n\n");
    if (crlf >= 0 && (lf < 0 || crlf + 1 <= lf))
        return crlf + 4;
    return lf >= 0 ? lf + 2 : -1;
}

} // namespace

// --- Response and Request ----------------------------------------------------------------------

namespace {

ScriptedHttpServer::Response typed(const QByteArray& contentType, const QByteArray& body,
                                   int status) {
    ScriptedHttpServer::Response response;
    response.status = status;
    response.headers = {{"Content-Type", contentType}};
    response.body = body;
    return response;
}

} // namespace

ScriptedHttpServer::Response ScriptedHttpServer::Response::json(const QByteArray& body,
                                                                int status) {
    return typed("application/json", body, status);
}

ScriptedHttpServer::Response ScriptedHttpServer::Response::text(const QByteArray& body,
                                                                int status) {
    return typed("text/plain; charset=utf-8", body, status);
}

ScriptedHttpServer::Response ScriptedHttpServer::Response::binary(const QByteArray& body,
                                                                  int status) {
    return typed("application/octet-stream", body, status);
}

char ScriptedHttpServer::Response::patternByte(qint64 offset) {
    // A prime period: a chunk dropped, repeated or misplaced at any power-of-two size shows.
    return static_cast<char>('!' + offset % 89);
}

ScriptedHttpServer::Response ScriptedHttpServer::Response::generated(qint64 size) {
    Response response;
    response.headers = {{"Content-Type", "application/octet-stream"}};
    response.bodySize = size;
    response.bodyChunk = [](qint64 offset, qint64 maxBytes) {
        QByteArray chunk(maxBytes, Qt::Uninitialized);
        char* out = chunk.data();
        for (qint64 i = 0; i < maxBytes; ++i)
            out[i] = patternByte(offset + i);
        return chunk;
    };
    return response;
}

QString ScriptedHttpServer::Request::path() const {
    QByteArray pathPart = target;
    if (pathPart.startsWith("http://") || pathPart.startsWith("https://"))
        pathPart = QUrl::fromEncoded(pathPart).path(QUrl::FullyEncoded).toLatin1();
    const qsizetype queryStart = pathPart.indexOf('?');
    if (queryStart >= 0)
        pathPart.truncate(queryStart);
    return QUrl::fromPercentEncoding(pathPart);
}

QUrlQuery ScriptedHttpServer::Request::query() const {
    const qsizetype queryStart = target.indexOf('?');
    if (queryStart < 0)
        return {};
    return QUrlQuery(QString::fromUtf8(target.mid(queryStart + 1)));
}

// --- Connection --------------------------------------------------------------------------------

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
        connect(m_socket, &QTcpSocket::readyRead, this, &Connection::onReadyRead);
        connect(m_socket, &QTcpSocket::bytesWritten, this, &Connection::onBytesWritten);
        connect(m_socket, &QTcpSocket::disconnected, this, &Connection::onDisconnected);
        // Data may have arrived before the signals were connected.
        if (m_socket->bytesAvailable() > 0)
            QMetaObject::invokeMethod(this, &Connection::onReadyRead, Qt::QueuedConnection);
    }

    ~Connection() override {
        m_server->m_connections.removeOne(this);
        QObject::disconnect(m_socket, nullptr, this, nullptr);
        m_socket->abort();
    }

    void drop(bool reset) {
        m_phase = Phase::Closed;
        if (reset)
            resetNow();
        else
            m_socket->disconnectFromHost();
    }

private:
    enum class Phase { Head, Body, ChunkSize, ChunkData, ChunkDataEnd, Trailer, Answering, Closed };

    void onReadyRead() {
        m_in.append(m_socket->readAll());
        parse();
    }

    void onBytesWritten() {
        if (m_phase != Phase::Answering)
            return;
        if (m_resetWhenDrained)
            resetWhenDrained();
        else if (m_streaming)
            pump();
    }

    void onDisconnected() {
        m_phase = Phase::Closed;
        deleteLater();
    }

    // Consumes as much of the input as the current phase allows.
    void parse() {
        while (true) {
            switch (m_phase) {
            case Phase::Head:
                if (!parseHead())
                    return;
                break;
            case Phase::Body: {
                const qint64 take = std::min<qint64>(m_bodyRemaining, m_in.size());
                m_request.body.append(m_in.left(take));
                m_in.remove(0, take);
                m_bodyRemaining -= take;
                if (m_bodyRemaining > 0)
                    return;
                dispatch();
                break;
            }
            case Phase::ChunkSize:
            case Phase::ChunkData:
            case Phase::ChunkDataEnd:
            case Phase::Trailer:
                if (!parseChunked())
                    return;
                break;
            case Phase::Answering:
            case Phase::Closed:
                return;
            }
        }
    }

    // True when the phase moved on and parsing may continue.
    bool parseHead() {
        // Tolerate blank lines before a request line.
        while (m_in.startsWith("\r\n") || m_in.startsWith("\n"))
            m_in.remove(0, m_in.startsWith('\r') ? 2 : 1);
        const qsizetype end = headEnd(m_in);
        if (end < 0) {
            if (m_in.size() > kMaxHeadBytes)
                refuse(431);
            return false;
        }
        const QByteArray head = m_in.left(end);
        m_in.remove(0, end);

        QList<QByteArray> lines = head.split('\n');
        for (QByteArray& line : lines)
            if (line.endsWith('\r'))
                line.chop(1);
        const QList<QByteArray> requestLine = lines.value(0).split(' ');
        if (requestLine.size() != 3 || requestLine[0].isEmpty() || requestLine[1].isEmpty() ||
            !requestLine[2].startsWith("HTTP/")) {
            refuse(400);
            return false;
        }
        m_request = Request();
        m_request.method = requestLine[0];
        m_request.target = requestLine[1];
        m_request.version = requestLine[2];
        m_request.connectionIndex = m_index;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = lines[i].left(colon).trimmed().toLower();
            const QByteArray value = lines[i].mid(colon + 1).trimmed();
            auto existing = m_request.headers.find(name);
            if (existing == m_request.headers.end())
                m_request.headers.insert(name, value);
            else
                existing.value() += ", " + value;
        }

        if (hasToken(m_request.header("transfer-encoding"), "chunked")) {
            continueIfExpected();
            m_phase = Phase::ChunkSize;
            return true;
        }
        const QByteArray lengthHeader = m_request.header("content-length");
        bool ok = true;
        const qint64 length = lengthHeader.isEmpty() ? 0 : lengthHeader.toLongLong(&ok);
        if (!ok || length < 0) {
            refuse(400);
            return false;
        }
        if (length > kMaxBodyBytes) {
            refuse(413);
            return false;
        }
        if (length == 0) {
            dispatch();
            return true;
        }
        continueIfExpected();
        m_request.body.reserve(length);
        m_bodyRemaining = length;
        m_phase = Phase::Body;
        return true;
    }

    bool parseChunked() {
        if (m_phase == Phase::ChunkData) {
            const qint64 take = std::min<qint64>(m_bodyRemaining, m_in.size());
            m_request.body.append(m_in.left(take));
            m_in.remove(0, take);
            m_bodyRemaining -= take;
            if (m_bodyRemaining > 0)
                return false;
            m_phase = Phase::ChunkDataEnd;
            return true;
        }
        const qsizetype lineEnd = m_in.indexOf('\n');
        if (lineEnd < 0) {
            if (m_in.size() > kMaxHeadBytes)
                refuse(400);
            return false;
        }
        QByteArray line = m_in.left(lineEnd).trimmed();
        m_in.remove(0, lineEnd + 1);
        switch (m_phase) {
        case Phase::ChunkSize: {
            const qsizetype extension = line.indexOf(';');
            if (extension >= 0)
                line.truncate(extension);
            bool ok = false;
            const qint64 size = line.trimmed().toLongLong(&ok, 16);
            if (!ok || size < 0 || m_request.body.size() + size > kMaxBodyBytes) {
                refuse(ok && size >= 0 ? 413 : 400);
                return false;
            }
            m_bodyRemaining = size;
            m_phase = size == 0 ? Phase::Trailer : Phase::ChunkData;
            return true;
        }
        case Phase::ChunkDataEnd:
            if (!line.isEmpty()) {
                refuse(400);
                return false;
            }
            m_phase = Phase::ChunkSize;
            return true;
        case Phase::Trailer:
            if (line.isEmpty())
                dispatch();
            return true;
        default:
            return false;
        }
    }

    void continueIfExpected() {
        if (hasToken(m_request.header("expect"), "100-continue"))
            m_socket->write("HTTP/1.1 100 Continue\r\n\r\n");
    }

    // Answers a request that could not be read, and closes: what follows cannot be trusted.
    void refuse(int status) {
        m_phase = Phase::Closed;
        m_socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) +
                        "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        m_socket->disconnectFromHost();
    }

    void dispatch() {
        m_phase = Phase::Answering;
        const Request request = m_request;
        m_server->recordRequest(request);
        // A slot of requestReceived may have closed the connection.
        if (m_phase != Phase::Answering || m_socket->state() != QAbstractSocket::ConnectedState)
            return;
        m_response = m_server->responseFor(request);
        m_headOnly = request.method == "HEAD";
        const QByteArray connection = request.header("connection");
        m_keepAlive = request.version == "HTTP/1.0" ? hasToken(connection, "keep-alive")
                                                    : !hasToken(connection, "close");
        if (m_response.delayMs > 0)
            QTimer::singleShot(m_response.delayMs, this, &Connection::sendHead);
        else
            sendHead();
    }

    void sendHead() {
        if (m_phase != Phase::Answering || m_socket->state() != QAbstractSocket::ConnectedState)
            return;
        const Response& response = m_response;
        int status = response.status;
        if (response.redirectTo.isValid() && status / 100 != 3)
            status = 302;
        const bool statusWithoutBody = status / 100 == 1 || status == 204 || status == 304;
        const qint64 total =
            response.bodyChunk ? std::max<qint64>(response.bodySize, 0) : response.body.size();
        m_closeAfter = !m_keepAlive || response.closeAfter || response.omitContentLength ||
                       response.cutAfter.has_value();
        // A cut alone closes without warning: the client expects the connection to stay open.
        const bool announceClose =
            !m_keepAlive || response.closeAfter || response.omitContentLength;

        QByteArray head =
            "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
        if (response.redirectTo.isValid())
            head += "Location: " + response.redirectTo.toEncoded() + "\r\n";
        for (const auto& [name, value] : response.headers)
            head += name + ": " + value + "\r\n";
        if (!response.omitContentLength && !statusWithoutBody &&
            !hasHeader(response.headers, "Content-Length"))
            head += "Content-Length: " + QByteArray::number(total) + "\r\n";
        if (announceClose && !hasHeader(response.headers, "Connection"))
            head += "Connection: close\r\n";
        head += "\r\n";
        m_socket->write(head);

        m_sent = 0;
        m_limit = (m_headOnly || statusWithoutBody) ? 0 : total;
        if (response.cutAfter)
            m_limit = std::clamp<qint64>(*response.cutAfter, 0, m_limit);
        m_chunkBytes = response.chunkBytes > 0 ? response.chunkBytes : 64 * 1024;
        m_streaming = true;
        pump();
    }

    QByteArray chunkAt(qint64 offset, qint64 maxBytes) const {
        if (!m_response.bodyChunk)
            return m_response.body.mid(offset, maxBytes);
        QByteArray chunk = m_response.bodyChunk(offset, maxBytes);
        if (chunk.size() > maxBytes)
            chunk.truncate(maxBytes);
        return chunk;
    }

    // Writes body chunks while the socket has room; bytesWritten and the chunk timer call again.
    void pump() {
        if (m_waitingForTimer)
            return;
        while (m_sent < m_limit && m_socket->bytesToWrite() < kWriteHighWater) {
            const QByteArray chunk = chunkAt(m_sent, std::min(m_chunkBytes, m_limit - m_sent));
            if (chunk.isEmpty()) {
                qWarning("ScriptedHttpServer: the body generator gave nothing at offset %lld",
                         static_cast<long long>(m_sent));
                drop(true);
                return;
            }
            m_socket->write(chunk);
            m_sent += chunk.size();
            if (m_response.chunkDelayMs > 0 && m_sent < m_limit) {
                m_waitingForTimer = true;
                QTimer::singleShot(m_response.chunkDelayMs, this, [this] {
                    m_waitingForTimer = false;
                    if (m_phase == Phase::Answering)
                        pump();
                });
                return;
            }
        }
        if (m_sent >= m_limit)
            finishAnswer();
    }

    void finishAnswer() {
        m_streaming = false;
        if (m_response.cutAfter && m_response.reset) {
            m_resetWhenDrained = true;
            resetWhenDrained();
            return;
        }
        if (m_closeAfter) {
            // Sends what is buffered, then FIN.
            m_socket->disconnectFromHost();
            return;
        }
        m_phase = Phase::Head;
        m_response = Response();
        // Queued: a client that pipelines many requests does not deepen the stack.
        QMetaObject::invokeMethod(this, &Connection::parse, Qt::QueuedConnection);
    }

    // A reset discards whatever the kernel has not yet sent, so it waits until the body bytes
    // have left: the client then sees exactly `cutAfter` bytes before the RST.
    void resetWhenDrained() {
        if (m_socket->bytesToWrite() > 0)
            return; // bytesWritten calls again
        int unsent = 0;
        if (ioctl(int(m_socket->socketDescriptor()), SIOCOUTQ, &unsent) == 0 && unsent > 0 &&
            m_drainPolls++ < kDrainPollLimit) {
            QTimer::singleShot(kDrainPollMs, this, [this] {
                if (m_phase == Phase::Answering)
                    resetWhenDrained();
            });
            return;
        }
        m_phase = Phase::Closed;
        resetNow();
    }

    // Closes with RST rather than FIN: a zero linger time makes close() abort the connection.
    void resetNow() {
        const qintptr fd = m_socket->socketDescriptor();
        if (fd >= 0) {
            linger abortive{1, 0};
            setsockopt(int(fd), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        }
        m_socket->abort();
        deleteLater();
    }

    ScriptedHttpServer* m_server;
    QTcpSocket* m_socket;
    const int m_index;
    Phase m_phase = Phase::Head;
    QByteArray m_in;
    Request m_request;
    qint64 m_bodyRemaining = 0;

    Response m_response;
    bool m_headOnly = false;
    bool m_keepAlive = true;
    bool m_closeAfter = false;
    bool m_streaming = false; // from the head until the last body byte is queued
    bool m_waitingForTimer = false;
    bool m_resetWhenDrained = false;
    int m_drainPolls = 0;
    qint64 m_sent = 0;
    qint64 m_limit = 0;
    qint64 m_chunkBytes = 64 * 1024;
};

// --- ScriptedHttpServer ------------------------------------------------------------------------

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
    const QList<Connection*> connections = m_connections;
    qDeleteAll(connections);
    delete m_server;
}

bool ScriptedHttpServer::isListening() const {
    return m_server->isListening();
}

quint16 ScriptedHttpServer::port() const {
    return m_server->serverPort();
}

QUrl ScriptedHttpServer::baseUrl() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port()));
}

QUrl ScriptedHttpServer::url(const QString& pathAndQuery) const {
    return QUrl(baseUrl().toString() + pathAndQuery);
}

void ScriptedHttpServer::on(const QByteArray& method, const QString& path, Response response,
                            int times) {
    m_scripts.append(Script{method, path, std::move(response), times});
}

void ScriptedHttpServer::setDefault(Response response) {
    m_default = std::move(response);
}

bool ScriptedHttpServer::waitForRequests(int count, int timeoutMs) const {
    if (m_requests.size() >= count)
        return true;
    // A real event loop rather than qWaitFor, which naps between batches of events.
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    connect(this, &ScriptedHttpServer::requestReceived, &loop, [&] {
        if (m_requests.size() >= count)
            loop.quit();
    });
    loop.exec();
    return m_requests.size() >= count;
}

ScriptedHttpServer::Response ScriptedHttpServer::responseFor(const Request& request) {
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

void ScriptedHttpServer::recordRequest(const Request& request) {
    m_requests.append(request);
    emit requestReceived(request);
}

} // namespace aru::test
