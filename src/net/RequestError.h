#pragma once

#include "APIError.h"

#include <QNetworkReply>
#include <QString>

namespace aru {

// Why an exchange with the server failed: one of the client's own errors, a transport failure
// (no connection, timeout, cancellation, a body cut short), the decoder's own error (at sign-in
// only), or a downloaded file that could not be put in place. Descriptions never contain a URL's
// query, so no token or e-mail leaks into a log line or onto the screen.
class RequestError {
public:
    enum class Kind { Api, Transport, Decoding, FileSystem };

    RequestError() = default;
    RequestError(APIError error); // NOLINT: an APIError is a request error
    static RequestError transport(QNetworkReply::NetworkError code, QString description);
    static RequestError decoding(QString description);
    static RequestError fileSystem(QString description);

    Kind kind() const { return m_kind; }
    bool isApi() const { return m_kind == Kind::Api; }
    // The client's error; only meaningful for Kind::Api.
    const APIError& api() const { return m_api; }
    // The network's error code; only meaningful for Kind::Transport.
    QNetworkReply::NetworkError networkError() const { return m_networkError; }
    bool isCancellation() const {
        return m_kind == Kind::Transport && m_networkError == QNetworkReply::OperationCanceledError;
    }
    // The server answered 401 to a request that carried the session token: the session is over.
    bool refusedTheSession() const {
        return m_kind == Kind::Api && m_api.kind() == APIError::Kind::Http && m_api.status() == 401;
    }

    // The text a user may see: the APIError's fixed text, or the transport's description.
    QString description() const;

private:
    Kind m_kind = Kind::Transport;
    APIError m_api = APIError::http(0);
    QNetworkReply::NetworkError m_networkError = QNetworkReply::UnknownNetworkError;
    QString m_description;
};

} // namespace aru
