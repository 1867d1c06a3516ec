#include "RequestReader.h"

#include <QJsonDocument>
#include <algorithm>
#include <charconv>
#include <httplib.h>
#include <limits>

namespace aru::server {

std::optional<QJsonObject> RequestReader::jsonObject(const httplib::Request& request) {
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(request.body), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

QString RequestReader::bearerToken(const httplib::Request& request) {
    const QString header = QString::fromStdString(request.get_header_value("Authorization"));
    const QString scheme = QStringLiteral("bearer ");
    if (!header.startsWith(scheme, Qt::CaseInsensitive))
        return {};
    return header.mid(scheme.size()).trimmed();
}

QString RequestReader::query(const httplib::Request& request, const char* name) {
    return QString::fromStdString(request.get_param_value(name));
}

std::optional<std::int64_t> RequestReader::integer(const std::string& text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> RequestReader::integer(const QJsonValue& value) {
    constexpr auto kInvalid = std::numeric_limits<qint64>::min();
    const qint64 number = value.toInteger(kInvalid);
    if (number == kInvalid)
        return std::nullopt;
    return number;
}

bool RequestReader::namesEntityTag(const httplib::Request& request, const char* header,
                                   const std::string& etag) {
    const std::string list = request.get_header_value(header);
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        std::string tag = list.substr(start, comma - start);
        tag.erase(0, tag.find_first_not_of(" \t"));
        tag.erase(tag.find_last_not_of(" \t") + 1);
        // A weak tag names the same document for this comparison.
        if (tag.rfind("W/", 0) == 0)
            tag.erase(0, 2);
        if (tag == "*" || tag == etag)
            return true;
        start = comma + 1;
    }
    return false;
}

} // namespace aru::server
