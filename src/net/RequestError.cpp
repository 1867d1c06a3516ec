#include "RequestError.h"

namespace aru {

RequestError::RequestError(APIError error)
    : m_kind(Kind::Api)
    , m_api(std::move(error)) {}

RequestError RequestError::transport(QNetworkReply::NetworkError code, QString description) {
    RequestError error;
    error.m_kind = Kind::Transport;
    error.m_networkError = code;
    error.m_description = std::move(description);
    return error;
}

RequestError RequestError::decoding(QString description) {
    RequestError error;
    error.m_kind = Kind::Decoding;
    error.m_description = std::move(description);
    return error;
}

RequestError RequestError::fileSystem(QString description) {
    RequestError error;
    error.m_kind = Kind::FileSystem;
    error.m_description = std::move(description);
    return error;
}

QString RequestError::description() const {
    return m_kind == Kind::Api ? m_api.errorDescription() : m_description;
}

} // namespace aru
