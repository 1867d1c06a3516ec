#pragma once

#include <QString>
#include <optional>
#include <utility>

namespace aru {

// The result of decoding untrusted bytes: the value, or a short description of what was wrong.
template <typename T> class Decoded {
public:
    static Decoded success(T value) { return Decoded(std::move(value), {}); }
    static Decoded failure(QString why) { return Decoded(std::nullopt, std::move(why)); }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T* operator->() const { return &*m_value; }
    const QString& error() const { return m_error; }

private:
    Decoded(std::optional<T> value, QString error)
        : m_value(std::move(value))
        , m_error(std::move(error)) {}

    std::optional<T> m_value;
    QString m_error;
};

} // namespace aru
