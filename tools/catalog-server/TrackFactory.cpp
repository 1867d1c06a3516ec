#include "TrackFactory.h"

#include "Rng.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace aru::server {

namespace {

using words::Character;
using words::Word;

constexpr std::array kNoteNames{"C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return c < 0x80 ? static_cast<char>(std::tolower(c)) : static_cast<char>(c);
    });
    return text;
}

// Draws `count` distinct words; the pools are small, so retries stay cheap.
std::vector<const Word*> drawDistinct(Rng& rng, std::span<const Word> pool, int count) {
    std::vector<const Word*> chosen;
    count = std::min<int>(count, static_cast<int>(pool.size()));
    while (static_cast<int>(chosen.size()) < count) {
        const Word* word = &rng.pick(pool);
        if (std::find(chosen.begin(), chosen.end(), word) == chosen.end())
            chosen.push_back(word);
    }
    return chosen;
}

bool containsWord(const std::vector<const Word*>& list, const char* english) {
    return std::any_of(list.begin(), list.end(),
                       [english](const Word* w) { return std::string_view(w->en) == english; });
}

const Word& genreFor(Rng& rng, Character character) {
    // Indexes into words::genres(), chosen so that genre and feel go together.
    static constexpr std::array<std::array<int, 5>, words::kCharacterCount> kByCharacter{{
        {0, 1, 7, 6, 8}, // dark
        {2, 4, 1, 5, 2}, // calm
        {4, 5, 3, 8, 0}, // emotional
        {1, 9, 3, 0, 5}, // energetic
    }};
    const auto& choices = kByCharacter[static_cast<std::size_t>(character)];
    return words::genres()[static_cast<std::size_t>(choices[rng.next() % choices.size()])];
}

int bpmFor(Rng& rng, Character character) {
    switch (character) {
    case Character::Dark:
        return rng.between(70, 112);
    case Character::Calm:
        return rng.between(60, 92);
    case Character::Emotional:
        return rng.between(66, 104);
    case Character::Energetic:
        return rng.between(110, 152);
    }
    return 100;
}

// One in five tracks is a short sting or ident, as in any production library; the rest run from
// under a minute to a few minutes.
int durationFor(Rng& rng, int index) {
    if (index % 5 == 0)
        return rng.between(6, 20);
    return rng.chance(0.25) ? rng.between(150, 230) : rng.between(45, 150);
}

std::string titleFor(Rng& rng) {
    std::string title = rng.chance(0.12) ? std::string(rng.pick(words::frenchTitles()))
                                         : std::string(rng.pick(words::titleAdjectives())) + ' ' +
                                               rng.pick(words::titleNouns());
    return title + rng.pick(words::titleSuffixes());
}

std::string isrcFor(int year, int index) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "FR-A8R-%02d-%05d", year % 100, (index + 1) % 100000);
    return buffer;
}

void describe(TrackPlan& track, const std::vector<const Word*>& moods, const Word& genre,
              const std::vector<const Word*>& instruments, const Word& theme) {
    const Word& mood1 = *moods[0];
    const Word& mood2 = *moods[1];
    const Word& instrument1 = *instruments[0];
    const Word& instrument2 = *instruments[1];
    track.description = std::string(mood1.en) + " and " + lower(mood2.en) + ' ' + lower(genre.en) +
                        " cue led by " + lower(instrument1.en) + " and " + lower(instrument2.en) +
                        ". Built for " + lower(theme.en) + " scenes, with a " +
                        std::to_string(track.bpm) + " BPM pulse.";
    track.descriptionFr = std::string("Un titre ") + genre.fr + " aux accents " + mood1.fr +
                          " et " + mood2.fr + ", porté par " + instrument1.fr + " et " +
                          instrument2.fr + ". Idéal pour illustrer " + theme.fr + '.';
    track.descriptionJa = std::string(instrument1.ja) + "と" + instrument2.ja + "が織りなす、" +
                          mood1.ja + "で" + mood2.ja + "な" + genre.ja + "。" + theme.ja +
                          "のシーンに最適。";
}

} // namespace

TrackPlan TrackFactory::make(std::uint64_t seed, int index, std::int64_t id) {
    Rng rng = Rng::forItem(seed, static_cast<std::uint64_t>(index));
    TrackPlan track;
    track.id = id;
    track.index = index;
    track.character = static_cast<Character>(rng.next() % words::kCharacterCount);
    track.soundSeed = rng.next();

    track.title = titleFor(rng);
    track.artist = rng.pick(words::artists());
    track.artists.push_back(track.artist);
    if (rng.chance(0.25)) {
        std::string featured = rng.pick(words::artists());
        if (featured != track.artist)
            track.artists.push_back(std::move(featured));
    }

    const Word& genre = genreFor(rng, track.character);
    track.genre = genre.en;

    auto moods = drawDistinct(rng, words::moodsOf(track.character), rng.between(2, 6));
    if (rng.chance(0.3)) {
        const Word& extra = rng.pick(words::allMoods());
        if (!containsWord(moods, extra.en))
            moods.back() = &extra;
    }
    for (const Word* mood : moods)
        track.moods.emplace_back(mood->en);

    track.bpm = bpmFor(rng, track.character);
    track.bpmAsText = index % 4 == 1;
    track.tempo = track.bpm < 90 ? "Slow" : track.bpm <= 120 ? "Medium" : "Fast";
    track.durationSeconds = durationFor(rng, index);

    const bool darkMode =
        track.character == Character::Dark || track.character == Character::Emotional;
    track.keyRoot = rng.between(0, 11);
    track.minor = rng.chance(darkMode ? 0.85 : 0.25);
    if (index % 17 != 9)
        track.key = std::string(kNoteNames[static_cast<std::size_t>(track.keyRoot)]) +
                    (track.minor ? " minor" : " major");

    const int year = rng.between(2012, 2025);
    if (index % 9 != 7)
        track.year = year;
    if (index % 8 != 5)
        track.album = rng.pick(words::albums());
    if (index % 11 != 6)
        track.isrc = isrcFor(year, index);

    track.vocal = rng.chance(0.3) ? "Vocal" : "Instrumental";
    const auto instruments = drawDistinct(rng, words::instruments(), rng.between(2, 4));
    for (const Word* instrument : instruments)
        track.instruments.emplace_back(instrument->en);
    const auto themes = drawDistinct(rng, words::themes(), rng.between(1, 3));
    for (const Word* theme : themes)
        track.themes.emplace_back(theme->en);
    describe(track, moods, genre, instruments, *themes[0]);

    // A few tracks use the URL forms the client must also handle.
    if (index % 9 == 4)
        track.cover = TrackPlan::Cover::None;
    else if (index % 13 == 5)
        track.cover = TrackPlan::Cover::PngWithoutExtension;
    else if (index % 6 == 1)
        track.cover = TrackPlan::Cover::Jpeg;
    track.absoluteAudioUrl = index % 10 == 7;
    track.downloadHasQuery = index % 10 == 3;
    return track;
}

} // namespace aru::server
