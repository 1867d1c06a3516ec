#pragma once

#include "Delivery.h"

#include <QJsonObject>
#include <QString>
#include <optional>
#include <string>

namespace aru::server {

// One injected fault: which requests it hits, what it does to them, and how many times.
struct FaultRule {
    std::string path;
    bool pathIsPrefix = false;
    std::string method;
    std::optional<int> status;
    std::string body;
    std::string contentType;
    int delayMs = 0;
    bool notJson = false;
    std::string redirectTo;
    Delivery delivery;
    // Remaining uses; absent for a fault that stays until cleared.
    std::optional<int> times;

    // Reads the JSON form given to the control endpoint and to --fault; absent, with `error`
    // filled, when the object is not a valid fault.
    static std::optional<FaultRule> fromJson(const QJsonObject& object, QString* error);
    QJsonObject toJson() const;

    bool matches(const std::string& method, const std::string& path) const;
    // Whether the fault answers instead of the endpoint (a status or a redirect).
    bool replacesAnswer() const { return status.has_value() || !redirectTo.empty(); }
};

} // namespace aru::server
