#pragma once

#include "Expected.h"
#include "RequestError.h"

#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QNetworkRequest>
#include <QPair>
#include <QPointer>
#include <QUrl>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace aru {

class Cancellation;

// An answer that arrived whole: its HTTP status (none when the answer was not HTTP) and body.
struct HttpAnswer {
    std::optional<int> status;
    QByteArray body;
    // The answer's headers, as sent (names and values).
    QList<QPair<QByteArray, QByteArray>> headers = {};

    // The value of the header named `name` (any case), or an empty array.
    QByteArray header(const QByteArray& name) const;
};

// The plumbing every exchange with a server shares: one session for the process, requests that
// never leak credentials, and one reading of what a finished reply means.
namespace HttpTransport {

// Deletes a reply from the event loop, since the coroutine that owns it resumes from inside
// the reply's own finished signal.
struct ReplyDeleter {
    void operator()(QNetworkReply* reply) const;
};
using ReplyPtr = std::unique_ptr<QNetworkReply, ReplyDeleter>;

// No transfer may stall longer than this without progress.
inline constexpr int transferTimeoutMs = 60'000;
// Answers other than the catalogue and files are small; a larger one is refused, not buffered.
inline constexpr qint64 defaultMaxBodyBytes = 16 * 1024 * 1024;

// The manager of the app's NetworkSession.
QNetworkAccessManager& session();

// A request with the transfer timeout. `carriesSecrets` marks requests with a credential header
// or a body (a password, a token): those never follow a redirect to another origin.
QNetworkRequest request(const QUrl& url, bool carriesSecrets);

// Sends one request and reads the whole answer, at most `maxBodyBytes` of body.
QCoro::Task<Expected<HttpAnswer, RequestError>> exchange(QNetworkRequest request, QByteArray verb,
                                                         QByteArray body = {},
                                                         QPointer<Cancellation> cancellation = {},
                                                         qint64 maxBodyBytes = defaultMaxBodyBytes);

// A GET whose body may be large. The body is taken from the reply as it arrives into one buffer
// with `spareBytes` of spare capacity after the data (a parser may read it where it lies), sized
// at once when the length is announced: Qt holds back only a small read buffer, so the body is
// never held twice. A body longer than `maxBodyBytes` fails as soon as it is known to be, having
// held no more than that.
QCoro::Task<Expected<HttpAnswer, RequestError>> getLarge(QNetworkRequest request,
                                                         qint64 maxBodyBytes, qsizetype spareBytes,
                                                         QPointer<Cancellation> cancellation = {});

// After a reply finished: the transport failure it represents, if any. HTTP error statuses are
// answers, not failures; a body shorter than its announced length is a failure.
std::optional<RequestError> transportFailure(QNetworkReply& reply, bool cancelledByCaller,
                                             qint64 bodyBytesReceived);
std::optional<int> httpStatus(const QNetworkReply& reply);

// Removes the query (where e-mail and token travel) from every address in an error text.
QString redacted(QString text, const QUrl& url);

} // namespace HttpTransport
} // namespace aru
