#include "RequestReader.h"

#include <QJsonDocument>
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

} // namespace aru::server
