#pragma once

#include "Reply.h"

namespace httplib {
struct Request;
}

namespace aru::server {

class FaultRegistry;
class Router;

// The control endpoint that adds, lists and clears faults while the server runs. Only loopback
// clients may use it.
class FaultEndpoints {
public:
    static constexpr const char* kPath = "/__faults";

    explicit FaultEndpoints(FaultRegistry& faults);

    void addTo(Router& router);

private:
    Reply add(const httplib::Request& request);

    FaultRegistry& m_faults;
};

} // namespace aru::server
