#pragma once

#include "AccountStore.h"
#include "DemoCatalog.h"
#include "DiskCache.h"
#include "FaultRegistry.h"
#include "FavoritesStore.h"
#include "Router.h"
#include "ServerOptions.h"
#include "StopFlag.h"

#include <memory>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace aru::server {

class AccountEndpoints;
class AudioEndpoints;
class CatalogDocument;
class CatalogEndpoints;
class FaultEndpoints;
class SearchEndpoints;

// The HTTP server: binds to loopback, routes each request to its endpoint through the fault
// registry, and logs one line per request on standard error.
class CatalogServer {
public:
    explicit CatalogServer(const ServerOptions& options);
    ~CatalogServer();
    CatalogServer(const CatalogServer&) = delete;
    CatalogServer& operator=(const CatalogServer&) = delete;

    // Binds to 127.0.0.1; returns the port, or -1 on failure.
    int bind();
    // Serves until stop(); returns false when serving failed.
    bool run();
    // Safe to call from any thread.
    void stop();
    bool stopRequested() const { return m_stop.raised(); }

private:
    void configure();
    void handle(const httplib::Request& request, httplib::Response& response);
    Reply answerWithFault(const httplib::Request& request, const FaultRule& fault);
    static void log(const httplib::Request& request, const Reply& reply, bool faulty,
                    std::chrono::steady_clock::duration elapsed);

    ServerOptions m_options;
    int m_port = 0;
    std::unique_ptr<httplib::Server> m_http;
    StopFlag m_stop;
    FaultRegistry m_faults;
    DemoCatalog m_catalog;
    AccountStore m_accounts;
    FavoritesStore m_favorites;
    DiskCache m_audio;
    DiskCache m_covers;
    Router m_router;
    std::unique_ptr<CatalogDocument> m_document;
    std::unique_ptr<AccountEndpoints> m_accountEndpoints;
    std::unique_ptr<CatalogEndpoints> m_catalogEndpoints;
    std::unique_ptr<AudioEndpoints> m_audioEndpoints;
    std::unique_ptr<SearchEndpoints> m_searchEndpoints;
    std::unique_ptr<FaultEndpoints> m_faultEndpoints;
};

} // namespace aru::server
