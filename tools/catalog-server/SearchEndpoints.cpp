#include "SearchEndpoints.h"

#include "ImageMood.h"
#include "RequestReader.h"
#include "Router.h"
#include "TagInterpreter.h"

#include <QImage>
#include <QJsonArray>
#include <httplib.h>

namespace aru::server {

namespace {

const QString kTags = QStringLiteral("tags");

// The tags as sent; absent when the member is missing or holds anything but strings.
std::optional<QStringList> availableTags(const QJsonObject& body) {
    const QJsonValue value = body.value(QStringLiteral("availableTags"));
    if (!value.isArray())
        return std::nullopt;
    QStringList tags;
    for (const QJsonValue& tag : value.toArray()) {
        if (!tag.isString())
            return std::nullopt;
        tags.append(tag.toString());
    }
    return tags;
}

QImage decodeDataUrl(const QString& text) {
    // "data:image/jpeg;base64,…"; plain Base64 is accepted too.
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    const QString payload =
        text.startsWith(QLatin1String("data:")) && comma > 0 ? text.mid(comma + 1) : text;
    const auto decoded =
        QByteArray::fromBase64Encoding(payload.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty())
        return {};
    return QImage::fromData(decoded.decoded);
}

} // namespace

void SearchEndpoints::addTo(Router& router) {
    router.add("POST", "/api/search/interpret",
               [](const auto& request, const auto&) { return interpret(request); });
    router.add(
        "POST", "/api/search/image",
        [](const auto& request, const auto&) { return image(request); }, kImageBody);
}

Reply SearchEndpoints::interpret(const httplib::Request& request) {
    const auto body = RequestReader::jsonObject(request);
    if (!body)
        return Reply::error(400, QStringLiteral("JSON object expected"));
    const QJsonValue query = body->value(QStringLiteral("query"));
    const auto tags = availableTags(*body);
    if (!query.isString() || !tags)
        return Reply::error(400, QStringLiteral("\"query\" (string) and \"availableTags\" "
                                                "(array of strings) are required"));
    return Reply::json(
        200,
        {{kTags, QJsonArray::fromStringList(TagInterpreter::interpret(query.toString(), *tags))}});
}

Reply SearchEndpoints::image(const httplib::Request& request) {
    const auto body = RequestReader::jsonObject(request);
    if (!body)
        return Reply::error(400, QStringLiteral("JSON object expected"));
    const QJsonValue encoded = body->value(QStringLiteral("image"));
    const auto tags = availableTags(*body);
    if (!encoded.isString() || !tags)
        return Reply::error(400, QStringLiteral("\"image\" (data URL) and \"availableTags\" "
                                                "(array of strings) are required"));
    const QImage picture = decodeDataUrl(encoded.toString());
    if (picture.isNull())
        return Reply::error(400, QStringLiteral("The image could not be decoded"));
    const ImageMood::Analysis analysis = ImageMood::analyse(picture, *tags);
    return Reply::json(200, {{QStringLiteral("description"), analysis.description},
                             {kTags, QJsonArray::fromStringList(analysis.tags)}});
}

} // namespace aru::server
