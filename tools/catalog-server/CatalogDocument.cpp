#include "CatalogDocument.h"

#include "JsonWriter.h"

#include <array>
#include <cstdio>
#include <functional>
#include <set>
#include <string_view>

namespace aru::server {

namespace {

struct TagSets {
    std::set<std::string> moods;
    std::set<std::string> genres;
    std::set<std::string> instruments;
    std::set<std::string> themes;
    std::set<std::string> tempos;
};

void writeTrack(JsonWriter& json, const TrackPlan& track, const std::string& origin) {
    const std::string audio = CatalogDocument::audioPath(track.id);
    json.beginObject();
    json.key("id");
    json.integer(track.id);
    json.key("title");
    json.string(track.title);
    json.key("artist");
    json.string(track.artist);
    json.key("artists");
    json.stringArray(track.artists);
    json.key("genre");
    json.string(track.genre);
    json.key("mood");
    json.stringArray(track.moods);
    json.key("tempo");
    json.string(track.tempo);
    json.key("duration");
    json.string(std::to_string(track.durationSeconds / 60) + ':' +
                (track.durationSeconds % 60 < 10 ? "0" : "") +
                std::to_string(track.durationSeconds % 60));
    json.key("audioFile");
    json.string(track.absoluteAudioUrl ? origin + audio : audio);
    json.key("downloadFile");
    json.string((track.absoluteAudioUrl ? origin + audio : audio) +
                (track.downloadHasQuery ? "?v=2" : ""));
    if (track.cover != TrackPlan::Cover::None) {
        json.key("coverArt");
        json.string(origin + CatalogDocument::coverPath(track));
    }
    if (track.album) {
        json.key("album");
        json.string(*track.album);
    }
    if (track.year) {
        json.key("year");
        json.integer(*track.year);
    }
    if (track.isrc) {
        json.key("isrc");
        json.string(*track.isrc);
    }
    if (track.key) {
        json.key("key");
        json.string(*track.key);
    }
    json.key("bpm");
    if (track.bpmAsText)
        json.string(std::to_string(track.bpm));
    else
        json.integer(track.bpm);
    json.key("vocal");
    json.string(track.vocal);
    json.key("instruments");
    json.stringArray(track.instruments);
    json.key("themes");
    json.stringArray(track.themes);
    json.key("description");
    json.string(track.description);
    json.key("description_fr");
    json.string(track.descriptionFr);
    json.key("description_ja");
    json.string(track.descriptionJa);
    json.endObject();
}

void writeSet(JsonWriter& json, std::string_view name, const std::set<std::string>& items) {
    json.key(name);
    json.beginArray();
    for (const auto& item : items)
        json.string(item);
    json.endArray();
}

} // namespace

CatalogDocument::CatalogDocument(const DemoCatalog& catalog, std::string origin)
    : m_catalog(catalog)
    , m_origin(std::move(origin)) {}

std::shared_ptr<const std::string> CatalogDocument::json() {
    std::lock_guard lock(m_mutex);
    if (!m_json) {
        m_json = build();
        char tag[24];
        std::snprintf(tag, sizeof(tag), "\"%016zx\"", std::hash<std::string_view>{}(*m_json));
        m_etag = tag;
    }
    return m_json;
}

std::string CatalogDocument::etag() {
    json();
    std::lock_guard lock(m_mutex);
    return m_etag;
}

std::string CatalogDocument::audioPath(std::int64_t id) {
    return "/api/audio/" + std::to_string(id) + ".wav";
}

std::string CatalogDocument::coverPath(const TrackPlan& track) {
    const std::string base = "/covers/" + std::to_string(track.id);
    switch (track.cover) {
    case TrackPlan::Cover::Png:
        return base + ".png";
    case TrackPlan::Cover::Jpeg:
        return base + ".jpg";
    case TrackPlan::Cover::PngWithoutExtension:
        return base;
    case TrackPlan::Cover::None:
        break;
    }
    return {};
}

std::shared_ptr<const std::string> CatalogDocument::build() const {
    auto text = std::make_shared<std::string>();
    text->reserve(static_cast<std::size_t>(m_catalog.trackCount()) * 1400 + 4096);
    JsonWriter json(*text);
    TagSets tags;
    json.beginObject();
    json.key("tracks");
    json.beginArray();
    for (int index = 0; index < m_catalog.trackCount(); ++index) {
        const TrackPlan track = m_catalog.track(index);
        writeTrack(json, track, m_origin);
        tags.moods.insert(track.moods.begin(), track.moods.end());
        tags.genres.insert(track.genre);
        tags.instruments.insert(track.instruments.begin(), track.instruments.end());
        tags.themes.insert(track.themes.begin(), track.themes.end());
        tags.tempos.insert(track.tempo);
    }
    json.endArray();
    json.key("tagLibrary");
    json.beginObject();
    writeSet(json, "moods", tags.moods);
    writeSet(json, "genres", tags.genres);
    writeSet(json, "instruments", tags.instruments);
    writeSet(json, "themes", tags.themes);
    // Slow to fast reads better in a menu than alphabetical order.
    json.key("tempos");
    json.beginArray();
    for (const char* tempo : std::array{"Slow", "Medium", "Fast"}) {
        if (tags.tempos.count(tempo))
            json.string(tempo);
    }
    json.endArray();
    json.endObject();
    json.endObject();
    return text;
}

} // namespace aru::server
