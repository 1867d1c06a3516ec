#include "JsonFields.h"

#include <QJsonArray>

namespace aru::JsonFields {

std::optional<qint64> integer(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    // toInteger answers the default for anything it cannot represent exactly; asking with two
    // different defaults tells a stored value apart from the default.
    const qint64 first = value.toInteger(0);
    if (first != 0 || value.toInteger(1) == 0)
        return first;
    return std::nullopt;
}

std::optional<QString> string(const QJsonValue& value) {
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<QStringList> stringList(const QJsonValue& value) {
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    QStringList list;
    list.reserve(array.size());
    for (const QJsonValue& element : array) {
        if (!element.isString())
            return std::nullopt;
        list.append(element.toString());
    }
    return list;
}

} // namespace aru::JsonFields
