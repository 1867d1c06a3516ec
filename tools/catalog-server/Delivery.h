#pragma once

#include <cstdint>
#include <optional>

namespace aru::server {

// How a reply's bytes reach the client; delivery faults change it.
struct Delivery {
    // Send the full Content-Length but only this many body bytes, then end the connection.
    std::optional<std::int64_t> truncateAfter;
    // Send only this many body bytes, then fall silent with the connection open until the server
    // stops: a server or a link that died in the middle of a transfer.
    std::optional<std::int64_t> stallAfter;
    // End the connection with a reset (RST) instead of a normal close.
    bool reset = false;
    // Send no Content-Length; the body ends when the connection closes.
    bool omitContentLength = false;
};

} // namespace aru::server
