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

namespace {

// An array whose elements all pass `accepts`, each converted by `convert`.
template <typename List, typename Accepts, typename Convert>
std::optional<List> listOf(const QJsonValue& value, Accepts accepts, Convert convert) {
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    List list;
    list.reserve(array.size());
    for (const QJsonValue& element : array) {
        if (!accepts(element))
            return std::nullopt;
        list.append(convert(element));
    }
    return list;
}

} // namespace

std::optional<QStringList> stringList(const QJsonValue& value) {
    return listOf<QStringList>(
        value, [](const QJsonValue& v) { return v.isString(); },
        [](const QJsonValue& v) { return v.toString(); });
}

std::optional<QList<float>> floatList(const QJsonValue& value) {
    return listOf<QList<float>>(
        value, [](const QJsonValue& v) { return v.isDouble(); },
        [](const QJsonValue& v) { return float(v.toDouble()); });
}

} // namespace aru::JsonFields
