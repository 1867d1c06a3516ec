#pragma once

#include "Reply.h"

#include <functional>
#include <regex>
#include <string>
#include <vector>

namespace httplib {
struct Request;
}

namespace aru::server {

// Maps method and path to an endpoint. Answers 404 for unknown paths, 405 for a known path with
// another method, 413 for a body over the route's limit, and 500 if an endpoint throws.
class Router {
public:
    using Handler = std::function<Reply(const httplib::Request&, const std::smatch&)>;

    static constexpr std::size_t kSmallBody = 1024 * 1024;

    void add(std::string method, const std::string& pattern, Handler handler,
             std::size_t maxBody = kSmallBody);
    Reply route(const httplib::Request& request) const;

private:
    struct Route {
        std::string method;
        std::regex pattern;
        Handler handler;
        std::size_t maxBody;
    };
    std::vector<Route> m_routes;
};

} // namespace aru::server
