#include "DemoWords.h"

#include <array>

namespace aru::server::words {

namespace {

// Mood words are the ones the client's search vocabulary produces and translates, so filtering,
// scene words and tag chips all find tracks in the demo catalogue.
constexpr std::array kDarkMoods{
    Word{"Dark", "sombre", "ダーク"},
    Word{"Tension", "tendu", "緊張感のある"},
    Word{"Mysterious", "mystérieux", "神秘的"},
    Word{"Haunting", "obsédant", "心に残る"},
    Word{"Intense", "intense", "強烈"},
    Word{"Raw", "brut", "荒々しい"},
    Word{"Dramatic", "dramatique", "ドラマティック"},
    Word{"Atmospheric", "atmosphérique", "アトモスフェリック"},
};
constexpr std::array kCalmMoods{
    Word{"Calm", "calme", "穏やか"},
    Word{"Peaceful", "paisible", "平和"},
    Word{"Serene", "serein", "静穏"},
    Word{"Dreamy", "rêveur", "夢のよう"},
    Word{"Ethereal", "éthéré", "幻想的"},
    Word{"Introspective", "introspectif", "内省的"},
    Word{"Minimal", "minimal", "ミニマル"},
    Word{"Atmospheric", "atmosphérique", "アトモスフェリック"},
};
constexpr std::array kEmotionalMoods{
    Word{"Melancholic", "mélancolique", "メランコリック"},
    Word{"Emotional", "émouvant", "感情的"},
    Word{"Nostalgic", "nostalgique", "ノスタルジック"},
    Word{"Romantic", "romantique", "ロマンティック"},
    Word{"Fragile", "fragile", "繊細"},
    Word{"Hopeful", "plein d'espoir", "希望に満ちた"},
    Word{"Introspective", "introspectif", "内省的"},
    Word{"Dreamy", "rêveur", "夢のよう"},
};
constexpr std::array kEnergeticMoods{
    Word{"Energetic", "énergique", "エネルギッシュ"},
    Word{"Powerful", "puissant", "パワフル"},
    Word{"Epic", "épique", "壮大"},
    Word{"Intense", "intense", "強烈"},
    Word{"Playful", "joueur", "遊び心のある"},
    Word{"Hopeful", "plein d'espoir", "希望に満ちた"},
    Word{"Hypnotic", "hypnotique", "催眠的"},
    Word{"Urban", "urbain", "アーバン"},
};
constexpr std::array kAllMoods{
    Word{"Dark", "sombre", "ダーク"},
    Word{"Tension", "tendu", "緊張感のある"},
    Word{"Epic", "épique", "壮大"},
    Word{"Calm", "calme", "穏やか"},
    Word{"Melancholic", "mélancolique", "メランコリック"},
    Word{"Cinematic", "cinématique", "シネマティック"},
    Word{"Emotional", "émouvant", "感情的"},
    Word{"Mysterious", "mystérieux", "神秘的"},
    Word{"Nostalgic", "nostalgique", "ノスタルジック"},
    Word{"Dreamy", "rêveur", "夢のよう"},
    Word{"Powerful", "puissant", "パワフル"},
    Word{"Hypnotic", "hypnotique", "催眠的"},
};

constexpr std::array kGenres{
    Word{"Cinematic", "cinématique", "シネマティック"},
    Word{"Electronic", "électronique", "エレクトロニック"},
    Word{"Ambient", "ambient", "アンビエント"},
    Word{"Orchestral", "orchestral", "オーケストラ"},
    Word{"Neo-Classical", "néo-classique", "ネオクラシカル"},
    Word{"Indie", "indé", "インディー"},
    Word{"Experimental", "expérimental", "実験的"},
    Word{"Trip-Hop", "trip-hop", "トリップホップ"},
    Word{"Post-Rock", "post-rock", "ポストロック"},
    Word{"Hip-Hop", "hip-hop", "ヒップホップ"},
};

constexpr std::array kInstruments{
    Word{"Piano", "piano", "ピアノ"},
    Word{"Strings", "cordes", "ストリングス"},
    Word{"Synth", "synthé", "シンセ"},
    Word{"Guitar", "guitare", "ギター"},
    Word{"Drums", "batterie", "ドラム"},
    Word{"Cello", "violoncelle", "チェロ"},
    Word{"Violin", "violon", "バイオリン"},
    Word{"Brass", "cuivres", "ブラス"},
    Word{"Choir", "chœur", "合唱"},
    Word{"Percussion", "percussions", "パーカッション"},
    Word{"Bass", "basse", "ベース"},
    Word{"Harp", "harpe", "ハープ"},
    Word{"Felt Piano", "piano feutré", "フェルトピアノ"},
    Word{"Analog Synth", "synthé analogique", "アナログシンセ"},
};

constexpr std::array kThemes{
    Word{"Nature", "la nature", "自然"},
    Word{"Urban", "la ville", "都会"},
    Word{"Night", "la nuit", "夜"},
    Word{"Space", "l'espace", "宇宙"},
    Word{"Romance", "la romance", "ロマンス"},
    Word{"Action", "l'action", "アクション"},
    Word{"Documentary", "le documentaire", "ドキュメンタリー"},
    Word{"Technology", "la technologie", "テクノロジー"},
    Word{"Travel", "le voyage", "旅"},
    Word{"Drama", "le drame", "ドラマ"},
    Word{"Suspense", "le suspense", "サスペンス"},
    Word{"Sport", "le sport", "スポーツ"},
    Word{"Fashion", "la mode", "ファッション"},
    Word{"Adventure", "l'aventure", "冒険"},
};

constexpr std::array kTitleAdjectives{
    "Silent",  "Crimson",  "Hollow", "Golden",  "Distant", "Broken", "Electric",
    "Velvet",  "Northern", "Paper",  "Frozen",  "Neon",    "Quiet",  "Wild",
    "Burning", "Fading",   "Last",   "Endless", "Hidden",  "Slow",   "Midnight",
};
constexpr std::array kTitleNouns{
    "Horizon", "Tides",   "Signals", "Cathedral", "Embers", "Rain",  "Lights",
    "Echoes",  "Shadows", "Motion",  "Skyline",   "Garden", "River", "Dust",
    "Orbit",   "Harbour", "Mirrors", "Voyage",    "Static", "Bloom", "Drive",
};
// Accents, apostrophes, colons and slashes: titles the client must turn into file names.
constexpr std::array kFrenchTitles{
    "Lumière d'automne", "Les Heures bleues",  "Nuit blanche",      "Été indien",
    "Sous la pluie",     "Interlude : L'aube", "Rêverie / Reprise", "Départ à l'aube",
    "Fenêtre sur cour",  "Cœur battant",
};
constexpr std::array kTitleSuffixes{"",           "",           "",         "",          "",
                                    " (Reprise)", " (30s Cut)", " Part II", " (Alt Mix)"};

constexpr std::array kArtists{
    "Élise Marchand",  "Kenji Morita",   "The Quiet Hours", "Nova Tellier",    "Camille Roux",
    "Hugo Basset",     "Mira Okafor",    "Lucas Ferreira",  "Anaïs Dubreuil",  "Northern Static",
    "Jonas Lindqvist", "Saskia Verbeek", "Théo Garnier",    "Aiko Tanabe",     "Paper Lanterns",
    "Inès Carvalho",   "Max Holloway",   "Lena Vogt",       "Orchestre Lumen", "Sable & Sel",
};

constexpr std::array kAlbums{
    "Nocturnes Vol. 2", "Urban Pulse",      "Cinematic Horizons", "Quiet Machines",
    "Tension Tools",    "Paysages",         "Glass & Steel",      "After Hours",
    "Wide Shots",       "Drama Essentials", "Lost Frequencies",   "Kinetic",
    "Saisons",          "Deep Field",       "Heartstrings",       "Night Shift",
};

} // namespace

std::span<const Word> moodsOf(Character character) {
    switch (character) {
    case Character::Dark:
        return kDarkMoods;
    case Character::Calm:
        return kCalmMoods;
    case Character::Emotional:
        return kEmotionalMoods;
    case Character::Energetic:
        return kEnergeticMoods;
    }
    return kAllMoods;
}

std::span<const Word> allMoods() {
    return kAllMoods;
}
std::span<const Word> genres() {
    return kGenres;
}
std::span<const Word> instruments() {
    return kInstruments;
}
std::span<const Word> themes() {
    return kThemes;
}
std::span<const char* const> titleAdjectives() {
    return kTitleAdjectives;
}
std::span<const char* const> titleNouns() {
    return kTitleNouns;
}
std::span<const char* const> frenchTitles() {
    return kFrenchTitles;
}
std::span<const char* const> titleSuffixes() {
    return kTitleSuffixes;
}
std::span<const char* const> artists() {
    return kArtists;
}
std::span<const char* const> albums() {
    return kAlbums;
}

} // namespace aru::server::words
