#pragma once

#include <QString>

namespace aru::ServerAddress {

// The catalogue server's base address (scheme and host, no trailing slash). The compiled-in
// https address, unless ARU_SYNC_BASE_URL names another one for development and tests.
QString baseUrl();

} // namespace aru::ServerAddress
