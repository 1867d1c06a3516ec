#pragma once

#include "AccountStore.h"
#include "FaultRule.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace aru::server {

struct ServerOptions {
    int port = 8787;
    QString dataDir;
    int tracks = 60;
    std::uint64_t seed = 1;
    std::vector<FaultRule> faults;
    std::vector<Account> extraAccounts;
};

} // namespace aru::server
