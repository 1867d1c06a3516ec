#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace aru::server {

// Appends compact JSON text to a string. The catalogue of 100,000 tracks is written with it:
// building a QJsonDocument of that size takes seconds and several hundred megabytes.
class JsonWriter {
public:
    explicit JsonWriter(std::string& out);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(std::string_view name);
    void string(std::string_view text);
    void integer(std::int64_t number);
    void boolean(bool value);
    void stringArray(const std::vector<std::string>& items);

private:
    void separate();
    void appendEscaped(std::string_view text);

    std::string& m_out;
    // One entry per open container: whether the next element is its first.
    std::vector<bool> m_first;
    bool m_afterKey = false;
};

} // namespace aru::server
