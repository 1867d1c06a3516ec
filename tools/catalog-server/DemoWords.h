#pragma once

#include <span>

namespace aru::server::words {

// A catalogue word with the French and Japanese forms used in the generated descriptions.
struct Word {
    const char* en;
    const char* fr;
    const char* ja;
};

// The broad feel of a track: it picks the moods, the tempo range, the mode of the music and the
// colours of the cover, so that metadata, sound and picture agree with each other.
enum class Character { Dark, Calm, Emotional, Energetic };
inline constexpr int kCharacterCount = 4;

std::span<const Word> moodsOf(Character character);
std::span<const Word> allMoods();
std::span<const Word> genres();
std::span<const Word> instruments();
std::span<const Word> themes();
std::span<const char* const> titleAdjectives();
std::span<const char* const> titleNouns();
std::span<const char* const> frenchTitles();
std::span<const char* const> titleSuffixes();
std::span<const char* const> artists();
std::span<const char* const> albums();

} // namespace aru::server::words
