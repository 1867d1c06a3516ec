#include "StreamRelay.h"

#include <QHash>
#include <QHostAddress>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUuid>
#include <set>

namespace aru {

namespace {

// A request head larger than this is not a media player's.
constexpr qsizetype maxHeadBytes = 16 * 1024;
// Body bytes waiting in the player's socket before the relay stops reading from the server: the
// server's pace then follows the player's.
constexpr qint64 maxQueuedBytes = 512 * 1024;
constexpr qint64 readBufferBytes = 256 * 1024;

// The headers a player needs to know the length and to seek.
constexpr const char* forwardedHeaders[] = {"Content-Type",  "Content-Length", "Content-Range",
                                            "Accept-Ranges", "Last-Modified",  "ETag"};

// A transport failure, as opposed to an HTTP error status whose body arrived whole.
bool isCutOff(QNetworkReply::NetworkError error) {
    return error != QNetworkReply::NoError && error < QNetworkReply::ProxyConnectionRefusedError;
}

bool isFollowedRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

QByteArray emptyAnswer(int status, const char* reason) {
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
           "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

} // namespace

class RelayedRequest;

// Lives on the relay's thread, apart from the stream table, which any thread may fill.
class StreamRelayWorker : public QObject {
public:
    explicit StreamRelayWorker(std::chrono::milliseconds silenceLimit)
        : m_silenceLimit(silenceLimit) {}
    ~StreamRelayWorker() override;

    quint16 listen();
    void addStream(const QByteArray& id, const QUrl& upstream) {
        const QMutexLocker locker(&m_lock);
        m_streams.insert(id, upstream);
    }
    std::optional<QUrl> upstreamFor(const QByteArray& id) {
        const QMutexLocker locker(&m_lock);
        const auto found = m_streams.constFind(id);
        return found == m_streams.constEnd() ? std::nullopt : std::optional<QUrl>(*found);
    }
    void closeStream(const QByteArray& id);

    QNetworkAccessManager& network() { return *m_network; }
    std::chrono::milliseconds silenceLimit() const { return m_silenceLimit; }
    void forget(RelayedRequest* request) { m_requests.erase(request); }

private:
    void accept();

    const std::chrono::milliseconds m_silenceLimit;
    QTcpServer* m_server = nullptr;
    QNetworkAccessManager* m_network = nullptr;
    QMutex m_lock;
    QHash<QByteArray, QUrl> m_streams;
    std::set<RelayedRequest*> m_requests;
};

// One player connection: reads its request, asks the server, passes the answer on, then closes.
class RelayedRequest : public QObject {
public:
    RelayedRequest(QTcpSocket* socket, StreamRelayWorker& worker)
        : QObject(&worker)
        , m_worker(worker)
        , m_socket(socket) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, &RelayedRequest::readHead);
        connect(socket, &QTcpSocket::bytesWritten, this, &RelayedRequest::pump);
        connect(socket, &QTcpSocket::disconnected, this, &RelayedRequest::end);
    }
    ~RelayedRequest() override {
        m_worker.forget(this);
        if (m_reply)
            m_reply->deleteLater();
    }

    const QByteArray& streamId() const { return m_streamId; }

    // Closes both sides at once; the player reads the end of its stream.
    void end() {
        if (m_ended)
            return;
        m_ended = true;
        if (m_reply) {
            m_reply->disconnect(this);
            m_reply->abort();
        }
        m_socket->disconnect(this);
        m_socket->abort();
        deleteLater();
    }

private:
    void readHead() {
        if (m_reply || m_finished)
            return;
        m_head += m_socket->readAll();
        const qsizetype headEnd = m_head.indexOf("\r\n\r\n");
        if (headEnd < 0) {
            if (m_head.size() > maxHeadBytes)
                refuse(431, "Request Header Fields Too Large");
            return;
        }
        const QList<QByteArray> lines = m_head.left(headEnd).split('\n');
        const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
        if (requestLine.size() != 3 || requestLine[0] != "GET")
            return refuse(405, "Method Not Allowed");
        // "/<stream id>/<file name>": the name only helps a player that looks at it.
        const QList<QByteArray> segments = requestLine[1].split('/');
        m_streamId = segments.value(1);
        const std::optional<QUrl> upstream = m_worker.upstreamFor(m_streamId);
        if (!upstream)
            return refuse(404, "Not Found");

        QNetworkRequest request(*upstream);
        request.setTransferTimeout(int(m_worker.silenceLimit().count()));
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == "range")
                request.setRawHeader("Range", line.mid(colon + 1).trimmed());
        }
        m_reply = m_worker.network().get(request);
        m_reply->setReadBufferSize(readBufferBytes);
        connect(m_reply, &QNetworkReply::metaDataChanged, this, &RelayedRequest::answerHead);
        connect(m_reply, &QNetworkReply::readyRead, this, &RelayedRequest::pump);
        connect(m_reply, &QNetworkReply::finished, this, [this] {
            m_finished = true;
            answerHead();
            pump();
        });
    }

    void refuse(int status, const char* reason) {
        m_finished = true;
        m_socket->write(emptyAnswer(status, reason));
        m_socket->disconnectFromHost();
    }

    void answerHead() {
        if (m_headSent)
            return;
        const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid()) {
            // No answer at all: a silent server, a refused connection.
            if (m_finished) {
                const bool silent = m_reply->error() == QNetworkReply::OperationCanceledError ||
                                    m_reply->error() == QNetworkReply::TimeoutError;
                m_headSent = true;
                m_socket->write(silent ? emptyAnswer(504, "Gateway Timeout")
                                       : emptyAnswer(502, "Bad Gateway"));
            }
            return;
        }
        if (!m_finished && isFollowedRedirect(status.toInt()) && m_reply->hasRawHeader("Location"))
            return;
        m_headSent = true;
        m_answeredByServer = true;
        const QByteArray reason =
            m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
        QByteArray head = "HTTP/1.1 " + QByteArray::number(status.toInt()) + ' ' +
                          (reason.isEmpty() ? QByteArray("Status") : reason) + "\r\n";
        for (const char* name : forwardedHeaders) {
            if (m_reply->hasRawHeader(name))
                head += QByteArray(name) + ": " + m_reply->rawHeader(name) + "\r\n";
        }
        head += "Connection: close\r\n\r\n";
        m_socket->write(head);
    }

    void pump() {
        if (!m_reply || !m_headSent || m_ended)
            return;
        while (m_reply->bytesAvailable() > 0 && m_socket->bytesToWrite() < maxQueuedBytes)
            m_socket->write(m_reply->read(64 * 1024));
        if (!m_finished || m_reply->bytesAvailable() > 0)
            return;
        if (m_answeredByServer && isCutOff(m_reply->error())) {
            // Cut off in the middle of the body: the player must not take it as complete.
            end();
            return;
        }
        // Sends what is queued, then closes.
        m_socket->disconnectFromHost();
    }

    StreamRelayWorker& m_worker;
    QTcpSocket* m_socket;
    QNetworkReply* m_reply = nullptr;
    QByteArray m_head;
    QByteArray m_streamId;
    bool m_headSent = false;
    // Whether the head came from the server, rather than being the relay's own error answer.
    bool m_answeredByServer = false;
    bool m_finished = false;
    bool m_ended = false;
};

StreamRelayWorker::~StreamRelayWorker() {
    // Before the members go: each request leaves the table as it is destroyed.
    const std::set<RelayedRequest*> requests = m_requests;
    for (RelayedRequest* request : requests)
        delete request;
}

quint16 StreamRelayWorker::listen() {
    m_network = new QNetworkAccessManager(this);
    m_server = new QTcpServer(this);
    connect(m_server, &QTcpServer::newConnection, this, &StreamRelayWorker::accept);
    return m_server->listen(QHostAddress::LocalHost) ? m_server->serverPort() : 0;
}

void StreamRelayWorker::accept() {
    while (QTcpSocket* socket = m_server->nextPendingConnection())
        m_requests.insert(new RelayedRequest(socket, *this));
}

void StreamRelayWorker::closeStream(const QByteArray& id) {
    {
        const QMutexLocker locker(&m_lock);
        m_streams.remove(id);
    }
    const std::set<RelayedRequest*> requests = m_requests;
    for (RelayedRequest* request : requests) {
        if (request->streamId() == id)
            request->end();
    }
}

StreamRelay::StreamRelay(std::chrono::milliseconds silenceLimit)
    : m_silenceLimit(silenceLimit) {
    m_thread.setObjectName(QStringLiteral("StreamRelay"));
}

StreamRelay::~StreamRelay() {
    // The worker is deleted on its own thread as the thread finishes.
    m_thread.quit();
    m_thread.wait();
}

bool StreamRelay::ensureStarted() {
    const QMutexLocker locker(&m_startLock);
    if (!m_worker) {
        m_thread.start();
        m_worker = new StreamRelayWorker(m_silenceLimit);
        m_worker->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
        StreamRelayWorker* worker = m_worker;
        quint16 port = 0;
        QMetaObject::invokeMethod(
            worker, [worker, &port] { port = worker->listen(); }, Qt::BlockingQueuedConnection);
        m_port = port;
    }
    return m_port != 0;
}

QUrl StreamRelay::open(const QUrl& upstream) {
    if (!ensureStarted())
        return {};
    const QByteArray id = QUuid::createUuid().toByteArray(QUuid::Id128);
    m_worker->addStream(id, upstream);
    QUrl local;
    local.setScheme(QStringLiteral("http"));
    local.setHost(QStringLiteral("127.0.0.1"));
    local.setPort(m_port);
    const QString fileName = upstream.fileName();
    local.setPath(QLatin1Char('/') + QString::fromLatin1(id) +
                  (fileName.isEmpty() ? QString() : QLatin1Char('/') + fileName));
    return local;
}

void StreamRelay::close(const QUrl& local) {
    {
        const QMutexLocker locker(&m_startLock);
        if (!m_worker || local.host() != QLatin1String("127.0.0.1") || local.port() != m_port)
            return;
    }
    const QByteArray id =
        local.path(QUrl::FullyEncoded).split(QLatin1Char('/')).value(1).toLatin1();
    StreamRelayWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, id] { worker->closeStream(id); }, Qt::BlockingQueuedConnection);
}

} // namespace aru
