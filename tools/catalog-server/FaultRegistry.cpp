#include "FaultRegistry.h"

namespace aru::server {

void FaultRegistry::add(FaultRule rule) {
    std::lock_guard lock(m_mutex);
    m_rules.push_back(std::move(rule));
}

void FaultRegistry::clear() {
    std::lock_guard lock(m_mutex);
    m_rules.clear();
}

std::optional<FaultRule> FaultRegistry::take(const std::string& method, const std::string& path) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_rules.begin(); it != m_rules.end(); ++it) {
        if (!it->matches(method, path))
            continue;
        FaultRule applied = *it;
        if (it->times && --*it->times == 0)
            m_rules.erase(it);
        return applied;
    }
    return std::nullopt;
}

QJsonArray FaultRegistry::list() const {
    std::lock_guard lock(m_mutex);
    QJsonArray rules;
    for (const FaultRule& rule : m_rules)
        rules.append(rule.toJson());
    return rules;
}

} // namespace aru::server
