#include "Reply.h"

#include <QFileInfo>
#include <QJsonDocument>

namespace aru::server {

Reply Reply::json(int status, const QJsonObject& object) {
    return bytes(status, QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString(),
                 "application/json");
}

Reply Reply::error(int status, const QString& message) {
    return json(status, QJsonObject{{QStringLiteral("error"), message}});
}

Reply Reply::bytes(int status, std::string body, std::string contentType) {
    return shared(status, std::make_shared<const std::string>(std::move(body)),
                  std::move(contentType));
}

Reply Reply::shared(int status, std::shared_ptr<const std::string> body, std::string contentType) {
    Reply reply;
    reply.status = status;
    reply.contentType = std::move(contentType);
    reply.totalSize = static_cast<std::int64_t>(body->size());
    reply.length = reply.totalSize;
    reply.text = std::move(body);
    return reply;
}

Reply Reply::file(const QString& path, std::string contentType) {
    Reply reply;
    reply.contentType = std::move(contentType);
    reply.filePath = path;
    reply.totalSize = QFileInfo(path).size();
    reply.length = reply.totalSize;
    return reply;
}

void Reply::setHeader(std::string name, std::string value) {
    headers.emplace_back(std::move(name), std::move(value));
}

} // namespace aru::server
