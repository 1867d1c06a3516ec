#pragma once

#include "FaultRule.h"

#include <QJsonArray>
#include <mutex>
#include <optional>
#include <vector>

namespace aru::server {

// The faults in force, shared by every request thread. The first rule that matches a request
// applies to it and uses up one of its `times`.
class FaultRegistry {
public:
    void add(FaultRule rule);
    void clear();
    std::optional<FaultRule> take(const std::string& method, const std::string& path);
    QJsonArray list() const;

private:
    mutable std::mutex m_mutex;
    std::vector<FaultRule> m_rules;
};

} // namespace aru::server
