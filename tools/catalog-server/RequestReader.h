#pragma once

#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

namespace httplib {
struct Request;
}

namespace aru::server {

// Reads the parts of a request the endpoints need, refusing anything malformed.
class RequestReader {
public:
    // The body as a JSON object; absent when it is not one.
    static std::optional<QJsonObject> jsonObject(const httplib::Request& request);
    // The token of an "Authorization: Bearer …" header.
    static QString bearerToken(const httplib::Request& request);
    // A query item, percent-decoded.
    static QString query(const httplib::Request& request, const char* name);
    // A decimal integer that fills the whole text and fits in 64 bits.
    static std::optional<std::int64_t> integer(const std::string& text);
    // A JSON number that is an integer.
    static std::optional<std::int64_t> integer(const QJsonValue& value);
    // Whether the list of entity tags in `header` ("*", or tags weak or strong, comma-separated)
    // names `etag`, as If-None-Match compares them.
    static bool namesEntityTag(const httplib::Request& request, const char* header,
                               const std::string& etag);
};

} // namespace aru::server
