#pragma once

#include "Reply.h"

namespace httplib {
struct Request;
}

namespace aru::server {

class Router;

// Free-text interpretation and image search, answered from the tags the client sends.
class SearchEndpoints {
public:
    static constexpr std::size_t kImageBody = 20 * 1024 * 1024;

    void addTo(Router& router);

private:
    static Reply interpret(const httplib::Request& request);
    static Reply image(const httplib::Request& request);
};

} // namespace aru::server
