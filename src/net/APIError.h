#pragma once

#include <QString>
#include <optional>

namespace aru {

// The server client's own failures. Their texts are fixed French messages, shown as they stand
// by the sign-in screen and the download flow whatever the interface language.
class APIError {
public:
    enum class Kind { Http, Decoding, InvalidURL, Unauthorized, NotApproved };

    // An answer with a failing status (0 when the answer was not HTTP at all).
    static APIError http(qint64 status, std::optional<QString> message = std::nullopt);
    // An answer whose body did not decode; `underlying` says why, for logs.
    static APIError decoding(QString underlying);
    static APIError invalidURL();
    static APIError unauthorized();
    static APIError notApproved();

    Kind kind() const { return m_kind; }
    qint64 status() const { return m_status; }
    const std::optional<QString>& message() const { return m_message; }
    const QString& underlying() const { return m_underlying; }

    QString errorDescription() const;

    friend bool operator==(const APIError&, const APIError&) = default;

private:
    explicit APIError(Kind kind)
        : m_kind(kind) {}

    Kind m_kind;
    qint64 m_status = 0;
    std::optional<QString> m_message;
    QString m_underlying;
};

} // namespace aru
