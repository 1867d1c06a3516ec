#pragma once

#include "Reply.h"

#include <regex>

namespace httplib {
struct Request;
}

namespace aru::server {

class AccountStore;
class DemoCatalog;
class DiskCache;
class Router;

// The preview stream (no credential) and the WAV download (e-mail and token in the query), both
// with byte ranges so that players can seek.
class AudioEndpoints {
public:
    AudioEndpoints(const DemoCatalog& catalog, DiskCache& audio, const AccountStore& accounts);

    void addTo(Router& router);

private:
    Reply stream(const httplib::Request& request, const std::smatch& match);
    Reply download(const httplib::Request& request, const std::smatch& match);
    bool mayDownload(const httplib::Request& request) const;
    // The track's WAV file with the request's range applied, or an error reply.
    Reply audioFile(const httplib::Request& request, const std::string& idText);

    const DemoCatalog& m_catalog;
    DiskCache& m_audio;
    const AccountStore& m_accounts;
};

} // namespace aru::server
