#pragma once

#include "Reply.h"

#include <regex>

namespace httplib {
struct Request;
}

namespace aru::server {

class CatalogDocument;
class DemoCatalog;
class DiskCache;
class Router;

// The catalogue document, the waveform peaks and the cover images.
class CatalogEndpoints {
public:
    static constexpr int kPeakCount = 380;

    CatalogEndpoints(const DemoCatalog& catalog, CatalogDocument& document, DiskCache& covers);

    void addTo(Router& router);

private:
    // Answers 304 to a request that names the document's entity tag in If-None-Match.
    Reply catalogue(const httplib::Request& request);
    Reply peaks(const std::smatch& match);
    Reply cover(const std::smatch& match);

    const DemoCatalog& m_catalog;
    CatalogDocument& m_document;
    DiskCache& m_covers;
};

} // namespace aru::server
