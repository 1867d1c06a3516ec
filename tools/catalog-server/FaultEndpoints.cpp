#include "FaultEndpoints.h"

#include "FaultRegistry.h"
#include "Router.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <httplib.h>

namespace aru::server {

namespace {

bool fromLoopback(const httplib::Request& request) {
    return request.remote_addr.starts_with("127.") || request.remote_addr == "::1" ||
           request.remote_addr == "::ffff:127.0.0.1";
}

Reply forbidden() {
    return Reply::error(403, QStringLiteral("Loopback clients only"));
}

} // namespace

FaultEndpoints::FaultEndpoints(FaultRegistry& faults)
    : m_faults(faults) {}

void FaultEndpoints::addTo(Router& router) {
    router.add("GET", kPath, [this](const auto& request, const auto&) {
        if (!fromLoopback(request))
            return forbidden();
        return Reply::json(200, {{QStringLiteral("faults"), m_faults.list()}});
    });
    router.add("POST", kPath, [this](const auto& request, const auto&) { return add(request); });
    router.add("DELETE", kPath, [this](const auto& request, const auto&) {
        if (!fromLoopback(request))
            return forbidden();
        m_faults.clear();
        return Reply::json(200, {{QStringLiteral("faults"), QJsonArray()}});
    });
}

Reply FaultEndpoints::add(const httplib::Request& request) {
    if (!fromLoopback(request))
        return forbidden();
    QJsonParseError parseError{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(request.body), &parseError);
    // One fault object, or an array of them.
    QJsonArray objects = document.isArray() ? document.array() : QJsonArray{document.object()};
    if (!document.isArray() && !document.isObject())
        return Reply::error(400, QStringLiteral("JSON object or array expected"));
    std::vector<FaultRule> rules;
    for (const QJsonValue& value : objects) {
        QString error;
        auto rule = FaultRule::fromJson(value.toObject(), &error);
        if (!rule)
            return Reply::error(400, error);
        rules.push_back(std::move(*rule));
    }
    for (FaultRule& rule : rules)
        m_faults.add(std::move(rule));
    return Reply::json(200, {{QStringLiteral("faults"), m_faults.list()}});
}

} // namespace aru::server
