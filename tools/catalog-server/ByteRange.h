#pragma once

#include <cstdint>
#include <string_view>

namespace aru::server {

struct Reply;

// A single "Range: bytes=…" request resolved against a body size. Several ranges, or a header
// that cannot be read, are answered with the whole body, as HTTP allows.
class ByteRange {
public:
    enum class Kind { Whole, Partial, Unsatisfiable };

    static ByteRange resolve(std::string_view header, std::int64_t size);

    Kind kind() const { return m_kind; }
    std::int64_t first() const { return m_first; }
    std::int64_t last() const { return m_last; }

    // Turns a 200 reply into 206 with Content-Range, or into an empty 416.
    void applyTo(Reply& reply) const;

private:
    Kind m_kind = Kind::Whole;
    std::int64_t m_first = 0;
    std::int64_t m_last = 0;
    std::int64_t m_size = 0;
};

} // namespace aru::server
