#pragma once

#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace aru::server {

// What an endpoint answers, before delivery: status, headers and a body held in memory or in a
// file, of which the part [offset, offset + length) is sent (the whole body unless a Range asked
// for less).
struct Reply {
    int status = 200;
    std::string contentType = "application/json";
    std::vector<std::pair<std::string, std::string>> headers;
    std::shared_ptr<const std::string> text;
    QString filePath;
    std::int64_t totalSize = 0;
    std::int64_t offset = 0;
    std::int64_t length = 0;

    static Reply json(int status, const QJsonObject& object);
    static Reply error(int status, const QString& message);
    static Reply bytes(int status, std::string body, std::string contentType);
    static Reply shared(int status, std::shared_ptr<const std::string> body,
                        std::string contentType);
    static Reply file(const QString& path, std::string contentType);

    void setHeader(std::string name, std::string value);
};

} // namespace aru::server
