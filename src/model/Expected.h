#pragma once

#include <QString>
#include <optional>
#include <utility>

namespace aru {

// A value, or the error that kept it from being made.
template <typename T, typename E> class Expected {
public:
    // A failure with a default error; containers, futures and waiting helpers need one.
    Expected() = default;
    static Expected success(T value) { return Expected(std::move(value), E{}); }
    static Expected failure(E error) { return Expected(std::nullopt, std::move(error)); }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T* operator->() const { return &*m_value; }
    const E& error() const { return m_error; }

private:
    Expected(std::optional<T> value, E error)
        : m_value(std::move(value))
        , m_error(std::move(error)) {}

    std::optional<T> m_value;
    E m_error;
};

// The result of decoding untrusted bytes: the value, or a short description of what was wrong.
template <typename T> using Decoded = Expected<T, QString>;

} // namespace aru
