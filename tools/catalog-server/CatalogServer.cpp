#include "CatalogServer.h"

#include "AccountEndpoints.h"
#include "AudioEndpoints.h"
#include "CatalogDocument.h"
#include "CatalogEndpoints.h"
#include "FaultEndpoints.h"
#include "ReplyWriter.h"
#include "SearchEndpoints.h"
#include "SocketControl.h"

#include <QDir>
#include <cstdio>
#include <httplib.h>

namespace aru::server {

namespace {

constexpr const char* kLoopback = "127.0.0.1";
constexpr int kWorkerThreads = 24;

// Generated files depend on the seed and on how they are generated: a new folder for either
// keeps stale files from being served.
QString generatedFolder(const ServerOptions& options, const char* kind) {
    return options.dataDir +
           QStringLiteral("/%1/seed-%2-v1").arg(QLatin1String(kind)).arg(options.seed);
}

// A state file in the data folder, which is created on first use.
QString stateFile(const ServerOptions& options, const char* name) {
    QDir().mkpath(options.dataDir);
    return options.dataDir + QLatin1Char('/') + QLatin1String(name);
}

std::vector<Account> accountsFor(const ServerOptions& options) {
    std::vector<Account> accounts = AccountStore::demoAccounts();
    accounts.insert(accounts.end(), options.extraAccounts.begin(), options.extraAccounts.end());
    return accounts;
}

// Request paths come from the network: keep control characters out of the log.
std::string printable(const std::string& text) {
    std::string clean = text.substr(0, 300);
    for (char& c : clean) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    return clean;
}

// Whether this worker thread's current request reached handle(); the library's own refusals
// (oversized bodies, unreadable request lines) are logged by its logger instead.
thread_local bool t_handled = false;

const std::string kNotJsonBody =
    "<!DOCTYPE html><html><head><title>502 Bad Gateway</title></head>"
    "<body><h1>Bad Gateway</h1><p>The upstream server is not answering.</p></body></html>";

} // namespace

CatalogServer::CatalogServer(const ServerOptions& options)
    : m_options(options)
    , m_http(std::make_unique<httplib::Server>())
    , m_catalog(options.seed, options.tracks)
    , m_accounts(accountsFor(options), stateFile(options, "sessions.json"))
    , m_favorites(stateFile(options, "favorites.json"))
    , m_audio(generatedFolder(options, "audio"))
    , m_covers(generatedFolder(options, "covers")) {
    for (const FaultRule& rule : options.faults)
        m_faults.add(rule);
}

CatalogServer::~CatalogServer() = default;

int CatalogServer::bind() {
    if (!QDir(m_options.dataDir).exists()) {
        std::fprintf(stderr, "cannot create the data folder %s\n", qPrintable(m_options.dataDir));
        return -1;
    }
    configure();
    int port = m_options.port;
    if (port == 0)
        port = m_http->bind_to_any_port(kLoopback);
    else if (!m_http->bind_to_port(kLoopback, port))
        port = -1;
    if (port <= 0)
        return -1;
    m_port = port;

    const std::string origin = std::string("http://") + kLoopback + ':' + std::to_string(port);
    m_document = std::make_unique<CatalogDocument>(m_catalog, origin);
    // Written before the port is announced, so the first catalogue request is as fast as any
    // other (benchmarks time it).
    m_document->json();
    m_accountEndpoints = std::make_unique<AccountEndpoints>(m_accounts, m_favorites);
    m_catalogEndpoints = std::make_unique<CatalogEndpoints>(m_catalog, *m_document, m_covers);
    m_audioEndpoints = std::make_unique<AudioEndpoints>(m_catalog, m_audio, m_accounts);
    m_searchEndpoints = std::make_unique<SearchEndpoints>();
    m_faultEndpoints = std::make_unique<FaultEndpoints>(m_faults);
    m_accountEndpoints->addTo(m_router);
    m_catalogEndpoints->addTo(m_router);
    m_audioEndpoints->addTo(m_router);
    m_searchEndpoints->addTo(m_router);
    m_faultEndpoints->addTo(m_router);
    std::fprintf(stderr, "catalogue server on %s: %d tracks, seed %llu, data in %s\n",
                 origin.c_str(), m_catalog.trackCount(),
                 static_cast<unsigned long long>(m_options.seed), qPrintable(m_options.dataDir));
    return port;
}

void CatalogServer::configure() {
    m_http->new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    m_http->set_payload_max_length(SearchEndpoints::kImageBody);
    m_http->set_keep_alive_max_count(1000);
    m_http->set_read_timeout(10);
    m_http->set_write_timeout(30);

    m_http->set_pre_routing_handler(
        [](const httplib::Request& request, httplib::Response& response) {
            t_handled = false;
            // This version of the library slices every body, error pages included, by the Range
            // header and does not clamp ranges past the end; the audio endpoints answer ranges
            // themselves. The request object is the library's own non-const one.
            const_cast<httplib::Request&>(request).ranges.clear();
            // A chunked request body has no size limit in the library; refuse it before it is read.
            if (request.has_header("Transfer-Encoding")) {
                response.status = 411;
                response.set_header("Connection", "close");
                response.set_content(R"({"error":"Content-Length required"})", "application/json");
                return httplib::Server::HandlerResponse::Handled;
            }
            return httplib::Server::HandlerResponse::Unhandled;
        });
    m_http->set_logger([](const httplib::Request& request, const httplib::Response& response) {
        if (!t_handled)
            std::fprintf(stderr, "%s %s -> %d (refused before routing)\n", request.method.c_str(),
                         printable(request.path).c_str(), response.status);
        t_handled = false;
    });
    m_http->set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
            response.status = 500;
            response.set_content(R"({"error":"internal error"})", "application/json");
        });

    const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    };
    const std::string anyPath = ".*";
    m_http->Get(anyPath, handler);
    m_http->Post(anyPath, handler);
    m_http->Put(anyPath, handler);
    m_http->Patch(anyPath, handler);
    m_http->Delete(anyPath, handler);
    m_http->Options(anyPath, handler);
}

bool CatalogServer::run() {
    return m_http->listen_after_bind();
}

void CatalogServer::stop() {
    m_stop.raise();
    m_http->stop();
    SocketControl::shutdownAll(m_port);
}

void CatalogServer::handle(const httplib::Request& request, httplib::Response& response) {
    const auto started = std::chrono::steady_clock::now();
    t_handled = true;
    std::optional<FaultRule> fault;
    if (request.path != FaultEndpoints::kPath)
        fault = m_faults.take(request.method, request.path);
    const Reply reply = fault ? answerWithFault(request, *fault) : m_router.route(request);
    ReplyWriter::write(request, reply, fault ? fault->delivery : Delivery{}, m_stop, response);
    log(request, reply, fault.has_value(), std::chrono::steady_clock::now() - started);
}

Reply CatalogServer::answerWithFault(const httplib::Request& request, const FaultRule& fault) {
    if (fault.delayMs > 0 && !m_stop.sleepFor(std::chrono::milliseconds(fault.delayMs)))
        return Reply::error(503, QStringLiteral("Server stopping"));
    Reply reply;
    if (!fault.redirectTo.empty()) {
        const int status =
            fault.status && *fault.status >= 300 && *fault.status < 400 ? *fault.status : 302;
        reply = Reply::bytes(status, {}, "text/plain");
        reply.setHeader("Location", fault.redirectTo);
    } else if (fault.status) {
        reply = Reply::bytes(*fault.status, fault.body,
                             fault.contentType.empty() ? "application/json" : fault.contentType);
    } else {
        reply = m_router.route(request);
    }
    if (fault.notJson)
        reply = Reply::bytes(reply.status, kNotJsonBody, "text/html");
    return reply;
}

void CatalogServer::log(const httplib::Request& request, const Reply& reply, bool faulty,
                        std::chrono::steady_clock::duration elapsed) {
    // The path only: query strings carry download credentials.
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    std::fprintf(stderr, "%s %s -> %d, %lld bytes, %lld ms%s\n", request.method.c_str(),
                 printable(request.path).c_str(), reply.status,
                 static_cast<long long>(reply.length), static_cast<long long>(ms),
                 faulty ? " [fault]" : "");
}

} // namespace aru::server
