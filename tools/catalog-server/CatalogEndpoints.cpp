#include "CatalogEndpoints.h"

#include "AudioSynth.h"
#include "CatalogDocument.h"
#include "CoverArt.h"
#include "DemoCatalog.h"
#include "DiskCache.h"
#include "RequestReader.h"
#include "Router.h"

#include <QIODevice>
#include <QJsonArray>
#include <cmath>

namespace aru::server {

CatalogEndpoints::CatalogEndpoints(const DemoCatalog& catalog, CatalogDocument& document,
                                   DiskCache& covers)
    : m_catalog(catalog)
    , m_document(document)
    , m_covers(covers) {}

void CatalogEndpoints::addTo(Router& router) {
    router.add("GET", "/api/sync/catalog",
               [this](const auto& request, const auto&) { return catalogue(request); });
    router.add("GET", R"(/api/sync/peaks/([^/]+))",
               [this](const auto&, const auto& match) { return peaks(match); });
    router.add("GET", R"(/covers/(-?\d+)(\.png|\.jpg)?)",
               [this](const auto&, const auto& match) { return cover(match); });
}

Reply CatalogEndpoints::catalogue(const httplib::Request& request) {
    const std::string etag = m_document.etag();
    Reply reply = RequestReader::namesEntityTag(request, "If-None-Match", etag)
                      ? Reply::bytes(304, {}, "application/json; charset=utf-8")
                      : Reply::shared(200, m_document.json(), "application/json; charset=utf-8");
    reply.setHeader("ETag", etag);
    return reply;
}

// Only tracks with even ids have server-side peaks; for the others the client must measure the
// downloaded audio itself.
Reply CatalogEndpoints::peaks(const std::smatch& match) {
    const auto id = RequestReader::integer(match[1].str());
    const auto track = id ? m_catalog.trackById(*id) : std::nullopt;
    if (!track || *id % 2 != 0)
        return Reply::error(404, QStringLiteral("No peaks for this track"));
    QJsonArray values;
    for (const double value : AudioSynth(*track).peaks(kPeakCount))
        values.append(std::round(value * 1000.0) / 1000.0);
    return Reply::json(200, {{QStringLiteral("peaks"), values}});
}

Reply CatalogEndpoints::cover(const std::smatch& match) {
    const auto id = RequestReader::integer(match[1].str());
    const auto track = id ? m_catalog.trackById(*id) : std::nullopt;
    if (!track || track->cover == TrackPlan::Cover::None ||
        CatalogDocument::coverPath(*track) != match[0].str())
        return Reply::error(404, QStringLiteral("No such cover"));
    const bool jpeg = track->cover == TrackPlan::Cover::Jpeg;
    const QString name =
        QString::number(*id) + (jpeg ? QStringLiteral(".jpg") : QStringLiteral(".png"));
    const QString path = m_covers.ensure(name, [&track](QIODevice& out) {
        const QByteArray bytes = CoverArt::encode(*track);
        return !bytes.isEmpty() && out.write(bytes) == bytes.size();
    });
    if (path.isEmpty())
        return Reply::error(500, QStringLiteral("Cover generation failed"));
    Reply reply = Reply::file(path, jpeg ? "image/jpeg" : "image/png");
    reply.setHeader("Cache-Control", "public, max-age=86400");
    return reply;
}

} // namespace aru::server
