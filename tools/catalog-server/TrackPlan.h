#pragma once

#include "DemoWords.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace aru::server {

// Everything the server knows about one demo track: the metadata it publishes, how the catalogue
// points at its files, and the musical choices the audio and cover generators follow.
struct TrackPlan {
    enum class Cover { None, Png, Jpeg, PngWithoutExtension };

    std::int64_t id = 0;
    int index = 0;

    std::string title;
    std::string artist;
    std::vector<std::string> artists;
    std::string genre;
    std::vector<std::string> moods;
    std::string tempo;
    int durationSeconds = 0;
    std::optional<std::string> album;
    std::optional<int> year;
    std::optional<std::string> isrc;
    std::optional<std::string> key;
    int bpm = 0;
    bool bpmAsText = false;
    std::string vocal;
    std::vector<std::string> instruments;
    std::vector<std::string> themes;
    std::string description;
    std::string descriptionFr;
    std::string descriptionJa;

    Cover cover = Cover::Png;
    bool absoluteAudioUrl = false;
    bool downloadHasQuery = false;

    words::Character character = words::Character::Calm;
    int keyRoot = 0;
    bool minor = false;
    std::uint64_t soundSeed = 0;
};

} // namespace aru::server
