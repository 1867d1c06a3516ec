#include "AudioEndpoints.h"

#include "AccountStore.h"
#include "AudioSynth.h"
#include "ByteRange.h"
#include "DemoCatalog.h"
#include "DiskCache.h"
#include "RequestReader.h"
#include "Router.h"

#include <QIODevice>
#include <httplib.h>

namespace aru::server {

AudioEndpoints::AudioEndpoints(const DemoCatalog& catalog, DiskCache& audio,
                               const AccountStore& accounts)
    : m_catalog(catalog)
    , m_audio(audio)
    , m_accounts(accounts) {}

void AudioEndpoints::addTo(Router& router) {
    // The catalogue's own "/api/audio/" form is served too: clients play absolute audio URLs
    // without rewriting them.
    router.add("GET", R"(/api/(?:audio|audio-stream)/([^/]+)\.wav)",
               [this](const auto& request, const auto& match) { return stream(request, match); });
    router.add("GET", R"(/api/download/([^/]+)\.wav)",
               [this](const auto& request, const auto& match) { return download(request, match); });
}

Reply AudioEndpoints::audioFile(const httplib::Request& request, const std::string& idText) {
    const auto id = RequestReader::integer(idText);
    const auto track = id ? m_catalog.trackById(*id) : std::nullopt;
    if (!track)
        return Reply::error(404, QStringLiteral("Unknown track"));
    const QString path =
        m_audio.ensure(QString::number(*id) + QStringLiteral(".wav"),
                       [&track](QIODevice& out) { return AudioSynth(*track).writeWav(out); });
    if (path.isEmpty())
        return Reply::error(500, QStringLiteral("Audio generation failed"));
    Reply reply = Reply::file(path, "audio/wav");
    if (request.has_header("Range"))
        ByteRange::resolve(request.get_header_value("Range"), reply.totalSize).applyTo(reply);
    else
        reply.setHeader("Accept-Ranges", "bytes");
    return reply;
}

Reply AudioEndpoints::stream(const httplib::Request& request, const std::smatch& match) {
    return audioFile(request, match[1].str());
}

bool AudioEndpoints::mayDownload(const httplib::Request& request) const {
    const auto owner = m_accounts.emailForToken(RequestReader::query(request, "token"));
    if (!owner)
        return false;
    // Query values are percent-decoded, and a raw "+" reads as a space; accept an address whose
    // "+" arrived unencoded as well.
    QString email = AccountStore::normalised(RequestReader::query(request, "email"));
    if (email == *owner)
        return true;
    return email.replace(QLatin1Char(' '), QLatin1Char('+')) == *owner;
}

Reply AudioEndpoints::download(const httplib::Request& request, const std::smatch& match) {
    if (!mayDownload(request))
        return Reply::error(403, QStringLiteral("Téléchargement non autorisé."));
    Reply reply = audioFile(request, match[1].str());
    if (reply.status < 300)
        reply.setHeader("Content-Disposition",
                        "attachment; filename=\"" + match[1].str() + ".wav\"");
    return reply;
}

} // namespace aru::server
