#include "JsonWriter.h"

#include <charconv>

namespace aru::server {

JsonWriter::JsonWriter(std::string& out)
    : m_out(out) {}

void JsonWriter::separate() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_first.empty())
        return;
    if (!m_first.back())
        m_out += ',';
    m_first.back() = false;
}

void JsonWriter::beginObject() {
    separate();
    m_out += '{';
    m_first.push_back(true);
}

void JsonWriter::endObject() {
    m_out += '}';
    m_first.pop_back();
}

void JsonWriter::beginArray() {
    separate();
    m_out += '[';
    m_first.push_back(true);
}

void JsonWriter::endArray() {
    m_out += ']';
    m_first.pop_back();
}

void JsonWriter::key(std::string_view name) {
    separate();
    appendEscaped(name);
    m_out += ':';
    m_afterKey = true;
}

void JsonWriter::string(std::string_view text) {
    separate();
    appendEscaped(text);
}

void JsonWriter::integer(std::int64_t number) {
    separate();
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    m_out.append(buffer, result.ptr);
}

void JsonWriter::boolean(bool value) {
    separate();
    m_out += value ? "true" : "false";
}

void JsonWriter::stringArray(const std::vector<std::string>& items) {
    beginArray();
    for (const auto& item : items)
        string(item);
    endArray();
}

void JsonWriter::appendEscaped(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    m_out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            m_out += '\\';
            m_out += c;
        } else if (byte < 0x20) {
            m_out += "\\u00";
            m_out += kHex[byte >> 4];
            m_out += kHex[byte & 0xF];
        } else {
            m_out += c;
        }
    }
    m_out += '"';
}

} // namespace aru::server
