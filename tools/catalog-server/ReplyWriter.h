#pragma once

#include "FaultRule.h"
#include "Reply.h"
#include "StopFlag.h"

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

namespace aru::server {

// Hands a reply to the HTTP library, streaming its body in chunks, and carries out the delivery
// faults: a body cut short, a stalled body, a reset connection, a missing Content-Length. A stalled
// body waits on `stop`, which must outlive the response.
class ReplyWriter {
public:
    static void write(const httplib::Request& request, const Reply& reply, const Delivery& delivery,
                      StopFlag& stop, httplib::Response& response);
};

} // namespace aru::server
