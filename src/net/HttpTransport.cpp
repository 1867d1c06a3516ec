#include "HttpTransport.h"

#include "Cancellation.h"
#include "NetworkSession.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <memory>

namespace aru::HttpTransport {

namespace {

bool isHttpLevelError(QNetworkReply::NetworkError code) {
    // Content (2xx) and server (4xx) error codes only restate the HTTP status.
    return (code >= QNetworkReply::ContentAccessDenied &&
            code <= QNetworkReply::UnknownContentError) ||
           (code >= QNetworkReply::InternalServerError &&
            code <= QNetworkReply::UnknownServerError) ||
           code == QNetworkReply::ProtocolInvalidOperationError;
}

// The most a reply holds back before the body buffer takes it; Qt stops reading the socket
// when it is full.
constexpr qint64 replyBufferBytes = 1024 * 1024;

RequestError tooLargeError() {
    return RequestError::transport(QNetworkReply::UnknownContentError,
                                   QStringLiteral("The server's answer is too large."));
}

std::optional<qint64> announcedLength(const QNetworkReply& reply) {
    // Qt inflates compressed bodies itself, so their announced length is not what arrives.
    if (!reply.rawHeader("Content-Encoding").isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 length = reply.rawHeader("Content-Length").toLongLong(&ok);
    return ok ? std::optional<qint64>(length) : std::nullopt;
}

// Moves what a reply holds into one growing buffer that always keeps `spareBytes` of capacity
// after its data.
class LargeBodyReader {
public:
    LargeBodyReader(QNetworkReply& reply, qint64 maxBytes, qsizetype spareBytes)
        : m_reply(reply)
        , m_maxBytes(maxBytes)
        , m_spareBytes(spareBytes) {}

    bool isTooLarge() const { return m_tooLarge; }
    QByteArray take() { return std::move(m_body); }

    // Takes whatever the reply holds; aborts it once the body is known to exceed the limit.
    void drain() {
        if (m_tooLarge)
            return;
        if (!m_sized) {
            m_sized = true;
            const auto length = announcedLength(m_reply);
            if (length && *length > m_maxBytes)
                return refuse();
            if (length)
                m_body.reserve(qsizetype(*length) + m_spareBytes);
        }
        for (qint64 available = m_reply.bytesAvailable(); available > 0;
             available = m_reply.bytesAvailable()) {
            const qsizetype size = m_body.size();
            if (size + available > m_maxBytes)
                return refuse();
            makeRoom(size + qsizetype(available));
            m_body.resize(size + qsizetype(available));
            const qint64 read = m_reply.read(m_body.data() + size, available);
            m_body.resize(size + qsizetype(qMax<qint64>(read, 0)));
            if (read <= 0)
                return;
        }
    }

private:
    void refuse() {
        m_tooLarge = true;
        m_body = QByteArray();
        m_reply.abort();
    }

    // Doubles the capacity when the length was not announced (or was wrong); a large block grows
    // in place, without a copy.
    void makeRoom(qsizetype size) {
        const qsizetype needed = size + m_spareBytes;
        if (m_body.capacity() >= needed)
            return;
        const qsizetype limit = qsizetype(m_maxBytes) + m_spareBytes;
        m_body.reserve(qMin(qMax(needed, 2 * m_body.capacity()), limit));
    }

    QNetworkReply& m_reply;
    const qint64 m_maxBytes;
    const qsizetype m_spareBytes;
    QByteArray m_body;
    bool m_sized = false;
    bool m_tooLarge = false;
};

} // namespace

void ReplyDeleter::operator()(QNetworkReply* reply) const {
    reply->deleteLater();
}

QNetworkAccessManager& session() {
    return NetworkSession::shared().manager();
}

QNetworkRequest request(const QUrl& url, bool carriesSecrets) {
    QNetworkRequest request(url);
    request.setTransferTimeout(transferTimeoutMs);
    // Qt's default policy would forward the Authorization header and re-send a body to any
    // origin the server redirects to.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         carriesSecrets ? QNetworkRequest::SameOriginRedirectPolicy
                                        : QNetworkRequest::NoLessSafeRedirectPolicy);
    return request;
}

std::optional<int> httpStatus(const QNetworkReply& reply) {
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() ? std::optional<int>(status.toInt()) : std::nullopt;
}

QString redacted(QString text, const QUrl& url) {
    const QUrl withoutQuery = url.adjusted(QUrl::RemoveQuery | QUrl::RemoveUserInfo);
    for (const auto format : {QUrl::FullyEncoded, QUrl::PrettyDecoded})
        text.replace(url.toString(format), withoutQuery.toString());
    // Whatever form the address took in the text, no credential survives.
    static const QRegularExpression credential(QStringLiteral("([?&](?:email|token)=)[^&\\s]*"));
    text.replace(credential, QStringLiteral("\\1…"));
    return text;
}

std::optional<RequestError> transportFailure(QNetworkReply& reply, bool cancelledByCaller,
                                             qint64 bodyBytesReceived) {
    const QNetworkReply::NetworkError code = reply.error();
    const bool hasStatus = httpStatus(reply).has_value();
    if (code == QNetworkReply::OperationCanceledError && !cancelledByCaller)
        return RequestError::transport(QNetworkReply::TimeoutError,
                                       QStringLiteral("The request timed out."));
    if (code != QNetworkReply::NoError && !(hasStatus && isHttpLevelError(code)))
        return RequestError::transport(code, redacted(reply.errorString(), reply.url()));
    // On a reused keep-alive connection Qt can finish a body cut short without an error.
    if (const auto length = announcedLength(reply); length && *length != bodyBytesReceived)
        return RequestError::transport(QNetworkReply::RemoteHostClosedError,
                                       QStringLiteral("The connection closed after %1 of %2 bytes.")
                                           .arg(bodyBytesReceived)
                                           .arg(*length));
    return std::nullopt;
}

QCoro::Task<Expected<HttpAnswer, RequestError>> exchange(QNetworkRequest request, QByteArray verb,
                                                         QByteArray body,
                                                         QPointer<Cancellation> cancellation,
                                                         qint64 maxBodyBytes) {
    using Result = Expected<HttpAnswer, RequestError>;
    if (cancellation && cancellation->isCancelled())
        co_return Result::failure(RequestError::transport(QNetworkReply::OperationCanceledError,
                                                          QStringLiteral("Operation canceled")));
    ReplyPtr reply(session().sendCustomRequest(request, verb, body));
    bool cancelled = false;
    bool tooLarge = false;
    if (cancellation) {
        QObject::connect(cancellation, &Cancellation::cancelled, reply.get(),
                         [&cancelled, r = reply.get()] {
                             cancelled = true;
                             r->abort();
                         });
    }
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, reply.get(),
                     [&tooLarge, maxBodyBytes, r = reply.get()](qint64 received, qint64) {
                         if (received > maxBodyBytes) {
                             tooLarge = true;
                             r->abort();
                         }
                     });
    co_await reply.get();
    // The lambdas above refer to this frame: nothing may call them once it resumes.
    reply->disconnect();
    if (cancellation)
        QObject::disconnect(cancellation, nullptr, reply.get(), nullptr);

    if (tooLarge)
        co_return Result::failure(tooLargeError());
    HttpAnswer answer{httpStatus(*reply), reply->readAll(), reply->rawHeaderPairs()};
    if (auto failure = transportFailure(*reply, cancelled, answer.body.size()))
        co_return Result::failure(std::move(*failure));
    co_return Result::success(std::move(answer));
}

QCoro::Task<Expected<HttpAnswer, RequestError>> getLarge(QNetworkRequest request,
                                                         qint64 maxBodyBytes, qsizetype spareBytes,
                                                         QPointer<Cancellation> cancellation) {
    using Result = Expected<HttpAnswer, RequestError>;
    if (cancellation && cancellation->isCancelled())
        co_return Result::failure(RequestError::transport(QNetworkReply::OperationCanceledError,
                                                          QStringLiteral("Operation canceled")));
    ReplyPtr reply(session().get(request));
    reply->setReadBufferSize(replyBufferBytes);
    LargeBodyReader body(*reply, maxBodyBytes, spareBytes);
    bool cancelled = false;
    if (cancellation) {
        QObject::connect(cancellation, &Cancellation::cancelled, reply.get(),
                         [&cancelled, r = reply.get()] {
                             cancelled = true;
                             r->abort();
                         });
    }
    QObject::connect(reply.get(), &QIODevice::readyRead, reply.get(), [&body] { body.drain(); });
    co_await reply.get();
    // The lambdas above refer to this frame: nothing may call them once it resumes.
    reply->disconnect();
    if (cancellation)
        QObject::disconnect(cancellation, nullptr, reply.get(), nullptr);
    body.drain();

    if (body.isTooLarge())
        co_return Result::failure(tooLargeError());
    HttpAnswer answer{httpStatus(*reply), body.take(), reply->rawHeaderPairs()};
    if (auto failure = transportFailure(*reply, cancelled, answer.body.size()))
        co_return Result::failure(std::move(*failure));
    co_return Result::success(std::move(answer));
}

} // namespace aru::HttpTransport

namespace aru {

QByteArray HttpAnswer::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

} // namespace aru
