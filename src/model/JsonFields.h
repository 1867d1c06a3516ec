#pragma once

#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <optional>

// Typed reads of single JSON values, each giving none when the value is missing, null or of
// another type. Shared by every record that reads JSON with Qt's parser.
namespace aru::JsonFields {

// A JSON number with an integral value in the signed 64-bit range (12.0 counts, 12.5 and "12"
// do not). Integers written as integers keep all 64 bits.
std::optional<qint64> integer(const QJsonValue& value);
std::optional<QString> string(const QJsonValue& value);
// An array whose elements are all strings.
std::optional<QStringList> stringList(const QJsonValue& value);
// An array whose elements are all numbers, as single-precision values.
std::optional<QList<float>> floatList(const QJsonValue& value);

} // namespace aru::JsonFields
