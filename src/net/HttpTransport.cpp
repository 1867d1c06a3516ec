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

std::optional<qint64> announcedLength(const QNetworkReply& reply) {
    // Qt inflates compressed bodies itself, so their announced length is not what arrives.
    if (!reply.rawHeader("Content-Encoding").isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 length = reply.rawHeader("Content-Length").toLongLong(&ok);
    return ok ? std::optional<qint64>(length) : std::nullopt;
}

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
        co_return Result::failure(
            RequestError::transport(QNetworkReply::UnknownContentError,
                                    QStringLiteral("The server's answer is too large.")));
    HttpAnswer answer{httpStatus(*reply), reply->readAll()};
    if (auto failure = transportFailure(*reply, cancelled, answer.body.size()))
        co_return Result::failure(std::move(*failure));
    co_return Result::success(std::move(answer));
}

} // namespace aru::HttpTransport
