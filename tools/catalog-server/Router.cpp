#include "Router.h"

#include <exception>
#include <httplib.h>

namespace aru::server {

void Router::add(std::string method, const std::string& pattern, Handler handler,
                 std::size_t maxBody) {
    m_routes.push_back({std::move(method), std::regex(pattern), std::move(handler), maxBody});
}

Reply Router::route(const httplib::Request& request) const {
    const std::string method = request.method == "HEAD" ? "GET" : request.method;
    bool pathKnown = false;
    for (const Route& route : m_routes) {
        std::smatch match;
        if (!std::regex_match(request.path, match, route.pattern))
            continue;
        pathKnown = true;
        if (route.method != method)
            continue;
        if (request.body.size() > route.maxBody)
            return Reply::error(413, QStringLiteral("Request body too large"));
        try {
            return route.handler(request, match);
        } catch (const std::exception& error) {
            return Reply::error(500, QString::fromUtf8(error.what()));
        }
    }
    return pathKnown ? Reply::error(405, QStringLiteral("Method not allowed"))
                     : Reply::error(404, QStringLiteral("Not found"));
}

} // namespace aru::server
