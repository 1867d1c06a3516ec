#include "FaultRule.h"

#include <QJsonDocument>
#include <QUrl>
#include <cctype>
#include <limits>

namespace aru::server {

namespace {

constexpr int kMaxDelayMs = 10 * 60 * 1000;

bool readInteger(const QJsonObject& object, const QString& key, qint64 lowest, qint64 highest,
                 std::optional<qint64>& out, QString* error) {
    if (!object.contains(key))
        return true;
    constexpr auto kInvalid = std::numeric_limits<qint64>::min();
    const qint64 value = object.value(key).toInteger(kInvalid);
    if (value == kInvalid || value < lowest || value > highest) {
        *error = QStringLiteral("\"%1\" must be an integer from %2 to %3")
                     .arg(key)
                     .arg(lowest)
                     .arg(highest);
        return false;
    }
    out = value;
    return true;
}

bool readBool(const QJsonObject& object, const QString& key, bool& out, QString* error) {
    if (!object.contains(key))
        return true;
    if (!object.value(key).isBool()) {
        *error = QStringLiteral("\"%1\" must be true or false").arg(key);
        return false;
    }
    out = object.value(key).toBool();
    return true;
}

bool readString(const QJsonObject& object, const QString& key, std::string& out, QString* error) {
    if (!object.contains(key))
        return true;
    if (!object.value(key).isString()) {
        *error = QStringLiteral("\"%1\" must be a string").arg(key);
        return false;
    }
    out = object.value(key).toString().toStdString();
    return true;
}

} // namespace

std::optional<FaultRule> FaultRule::fromJson(const QJsonObject& object, QString* error) {
    static const QStringList kKeys{
        QStringLiteral("path"),          QStringLiteral("method"),
        QStringLiteral("status"),        QStringLiteral("body"),
        QStringLiteral("contentType"),   QStringLiteral("delayMs"),
        QStringLiteral("notJson"),       QStringLiteral("redirectTo"),
        QStringLiteral("truncateAfter"), QStringLiteral("stallAfter"),
        QStringLiteral("reset"),         QStringLiteral("omitContentLength"),
        QStringLiteral("times"),
    };
    for (const QString& key : object.keys()) {
        if (!kKeys.contains(key)) {
            *error = QStringLiteral("unknown key \"%1\"").arg(key);
            return std::nullopt;
        }
    }

    FaultRule rule;
    if (!object.value(QStringLiteral("path")).isString() ||
        !object.value(QStringLiteral("path")).toString().startsWith(QLatin1Char('/'))) {
        *error = QStringLiteral("\"path\" must be a string starting with /");
        return std::nullopt;
    }
    rule.path = object.value(QStringLiteral("path")).toString().toStdString();
    if (rule.path.size() > 1 && rule.path.back() == '*') {
        rule.path.pop_back();
        rule.pathIsPrefix = true;
    }

    std::optional<qint64> status, delay, truncate, stall, times;
    if (!readString(object, QStringLiteral("method"), rule.method, error) ||
        !readString(object, QStringLiteral("body"), rule.body, error) ||
        !readString(object, QStringLiteral("contentType"), rule.contentType, error) ||
        !readString(object, QStringLiteral("redirectTo"), rule.redirectTo, error) ||
        !readBool(object, QStringLiteral("notJson"), rule.notJson, error) ||
        !readBool(object, QStringLiteral("reset"), rule.delivery.reset, error) ||
        !readBool(object, QStringLiteral("omitContentLength"), rule.delivery.omitContentLength,
                  error) ||
        !readInteger(object, QStringLiteral("status"), 200, 599, status, error) ||
        !readInteger(object, QStringLiteral("delayMs"), 0, kMaxDelayMs, delay, error) ||
        !readInteger(object, QStringLiteral("truncateAfter"), 0, std::numeric_limits<qint64>::max(),
                     truncate, error) ||
        !readInteger(object, QStringLiteral("stallAfter"), 0, std::numeric_limits<qint64>::max(),
                     stall, error) ||
        !readInteger(object, QStringLiteral("times"), 1, std::numeric_limits<int>::max(), times,
                     error))
        return std::nullopt;

    for (char& c : rule.method)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (status)
        rule.status = static_cast<int>(*status);
    rule.delayMs = static_cast<int>(delay.value_or(0));
    rule.delivery.truncateAfter = truncate;
    rule.delivery.stallAfter = stall;
    if (times)
        rule.times = static_cast<int>(*times);
    if (!rule.redirectTo.empty()) {
        const QUrl target(QString::fromStdString(rule.redirectTo), QUrl::StrictMode);
        if (!target.isValid() || (target.scheme() != QLatin1String("http") &&
                                  target.scheme() != QLatin1String("https"))) {
            *error = QStringLiteral("\"redirectTo\" must be an http or https URL");
            return std::nullopt;
        }
    }
    if (rule.contentType.empty() && !rule.body.empty()) {
        const bool isJson = !QJsonDocument::fromJson(QByteArray::fromStdString(rule.body)).isNull();
        rule.contentType = isJson ? "application/json" : "text/plain";
    }
    return rule;
}

QJsonObject FaultRule::toJson() const {
    QJsonObject object{
        {QStringLiteral("path"), QString::fromStdString(path + (pathIsPrefix ? "*" : ""))}};
    if (!method.empty())
        object.insert(QStringLiteral("method"), QString::fromStdString(method));
    if (status)
        object.insert(QStringLiteral("status"), *status);
    if (!body.empty())
        object.insert(QStringLiteral("body"), QString::fromStdString(body));
    if (!contentType.empty())
        object.insert(QStringLiteral("contentType"), QString::fromStdString(contentType));
    if (delayMs)
        object.insert(QStringLiteral("delayMs"), delayMs);
    if (notJson)
        object.insert(QStringLiteral("notJson"), true);
    if (!redirectTo.empty())
        object.insert(QStringLiteral("redirectTo"), QString::fromStdString(redirectTo));
    if (delivery.truncateAfter)
        object.insert(QStringLiteral("truncateAfter"),
                      static_cast<qint64>(*delivery.truncateAfter));
    if (delivery.stallAfter)
        object.insert(QStringLiteral("stallAfter"), static_cast<qint64>(*delivery.stallAfter));
    if (delivery.reset)
        object.insert(QStringLiteral("reset"), true);
    if (delivery.omitContentLength)
        object.insert(QStringLiteral("omitContentLength"), true);
    if (times)
        object.insert(QStringLiteral("times"), *times);
    return object;
}

bool FaultRule::matches(const std::string& requestMethod, const std::string& requestPath) const {
    if (!method.empty() && method != requestMethod)
        return false;
    return pathIsPrefix ? requestPath.starts_with(path) : requestPath == path;
}

} // namespace aru::server
