#include "APIError.h"

namespace aru {

APIError APIError::http(qint64 status, std::optional<QString> message) {
    APIError error(Kind::Http);
    error.m_status = status;
    error.m_message = std::move(message);
    return error;
}

APIError APIError::decoding(QString underlying) {
    APIError error(Kind::Decoding);
    error.m_underlying = std::move(underlying);
    return error;
}

APIError APIError::invalidURL() {
    return APIError(Kind::InvalidURL);
}

APIError APIError::unauthorized() {
    return APIError(Kind::Unauthorized);
}

APIError APIError::notApproved() {
    return APIError(Kind::NotApproved);
}

QString APIError::errorDescription() const {
    switch (m_kind) {
    case Kind::Http:
        return QStringLiteral("HTTP %1: %2")
            .arg(m_status)
            .arg(m_message.value_or(QStringLiteral("Erreur serveur")));
    case Kind::Decoding:
        return QStringLiteral("Format de réponse invalide");
    case Kind::InvalidURL:
        return QStringLiteral("URL invalide");
    case Kind::Unauthorized:
        return QStringLiteral("Email ou mot de passe incorrect");
    case Kind::NotApproved:
        return QStringLiteral("Votre compte n'est pas encore activé. Contactez l'administrateur.");
    }
    Q_UNREACHABLE();
}

} // namespace aru
