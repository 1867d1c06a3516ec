#include "ByteRange.h"

#include "Reply.h"

#include <charconv>
#include <optional>

namespace aru::server {

namespace {

std::optional<std::int64_t> number(std::string_view text) {
    std::int64_t value = 0;
    const auto* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || value < 0)
        return std::nullopt;
    return value;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace

ByteRange ByteRange::resolve(std::string_view header, std::int64_t size) {
    ByteRange range;
    range.m_size = size;
    range.m_last = size - 1;
    header = trimmed(header);
    constexpr std::string_view kUnit = "bytes=";
    if (!header.starts_with(kUnit))
        return range;
    const std::string_view rangeText = trimmed(header.substr(kUnit.size()));
    const auto dash = rangeText.find('-');
    if (dash == std::string_view::npos || rangeText.find(',') != std::string_view::npos)
        return range;
    const std::string_view firstText = trimmed(rangeText.substr(0, dash));
    const std::string_view lastText = trimmed(rangeText.substr(dash + 1));

    if (firstText.empty()) {
        // "-N": the last N bytes.
        const auto suffix = number(lastText);
        if (!suffix)
            return range;
        if (*suffix == 0 || size == 0) {
            range.m_kind = Kind::Unsatisfiable;
            return range;
        }
        range.m_kind = Kind::Partial;
        range.m_first = *suffix >= size ? 0 : size - *suffix;
        return range;
    }
    const auto first = number(firstText);
    const auto last = lastText.empty() ? std::optional<std::int64_t>(size - 1) : number(lastText);
    if (!first || !last)
        return range;
    if (*first >= size) {
        range.m_kind = Kind::Unsatisfiable;
        return range;
    }
    if (*last < *first)
        return range;
    range.m_kind = Kind::Partial;
    range.m_first = *first;
    range.m_last = std::min(*last, size - 1);
    return range;
}

void ByteRange::applyTo(Reply& reply) const {
    reply.setHeader("Accept-Ranges", "bytes");
    switch (m_kind) {
    case Kind::Whole:
        return;
    case Kind::Partial:
        reply.status = 206;
        reply.offset = m_first;
        reply.length = m_last - m_first + 1;
        reply.setHeader("Content-Range", "bytes " + std::to_string(m_first) + '-' +
                                             std::to_string(m_last) + '/' + std::to_string(m_size));
        return;
    case Kind::Unsatisfiable:
        reply = Reply::bytes(416, {}, reply.contentType);
        reply.setHeader("Content-Range", "bytes */" + std::to_string(m_size));
        return;
    }
}

} // namespace aru::server
