#pragma once

#include "FaultRule.h"
#include "Reply.h"

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

namespace aru::server {

// Hands a reply to the HTTP library, streaming its body in chunks, and carries out the delivery
// faults: a body cut short, a reset connection, a missing Content-Length.
class ReplyWriter {
public:
    static void write(const httplib::Request& request, const Reply& reply, const Delivery& delivery,
                      httplib::Response& response);
};

} // namespace aru::server
