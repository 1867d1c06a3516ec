#pragma once

#include "DemoCatalog.h"

#include <memory>
#include <mutex>
#include <string>

namespace aru::server {

// The catalogue answer: every track plus the tag library of the words actually used. Written once,
// on first request, and then served from memory.
class CatalogDocument {
public:
    // `origin` is "http://127.0.0.1:PORT": covers and the absolute-URL tracks point at it.
    CatalogDocument(const DemoCatalog& catalog, std::string origin);

    std::shared_ptr<const std::string> json();
    // The document's entity tag (quoted, as the ETag header carries it): it changes whenever the
    // document does.
    std::string etag();

    static std::string audioPath(std::int64_t id);
    static std::string coverPath(const TrackPlan& track);

private:
    std::shared_ptr<const std::string> build() const;

    const DemoCatalog& m_catalog;
    std::string m_origin;
    std::mutex m_mutex;
    std::shared_ptr<const std::string> m_json;
    std::string m_etag;
};

} // namespace aru::server
