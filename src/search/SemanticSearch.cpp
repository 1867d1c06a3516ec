#include "SemanticSearch.h"

namespace aru::SemanticSearch {

using namespace Qt::StringLiterals;

namespace {

QHash<QString, QStringList> buildMap() {
    // English words, English phrases, then French words and phrases. Some French words are also
    // English (combat, film, scene), and several French keys appear with and without accents,
    // since people often type them bare.
    return {
        {u"sad"_s, {u"Melancholic"_s, u"Emotional"_s, u"Introspective"_s}},
        {u"sadness"_s, {u"Melancholic"_s, u"Emotional"_s}},
        {u"melancholy"_s, {u"Melancholic"_s, u"Introspective"_s}},
        {u"happy"_s, {u"Energetic"_s, u"Hopeful"_s, u"Calm"_s}},
        {u"joy"_s, {u"Energetic"_s, u"Hopeful"_s}},
        {u"fear"_s, {u"Dark"_s, u"Tension"_s, u"Mysterious"_s, u"Haunting"_s}},
        {u"scary"_s, {u"Dark"_s, u"Tension"_s, u"Haunting"_s}},
        {u"horror"_s, {u"Dark"_s, u"Haunting"_s, u"Tension"_s}},
        {u"thriller"_s, {u"Tension"_s, u"Dark"_s, u"Mysterious"_s}},
        {u"suspense"_s, {u"Tension"_s, u"Mysterious"_s}},
        {u"action"_s, {u"Energetic"_s, u"Tension"_s, u"Intense"_s}},
        {u"fight"_s, {u"Tension"_s, u"Energetic"_s, u"Intense"_s}},
        {u"battle"_s, {u"Tension"_s, u"Energetic"_s, u"Epic"_s}},
        {u"war"_s, {u"Tension"_s, u"Dark"_s, u"Intense"_s, u"Epic"_s}},
        {u"chase"_s, {u"Tension"_s, u"Energetic"_s}},
        {u"epic"_s, {u"Epic"_s, u"Cinematic"_s, u"Powerful"_s}},
        {u"powerful"_s, {u"Powerful"_s, u"Energetic"_s, u"Epic"_s}},
        {u"dramatic"_s, {u"Dramatic"_s, u"Cinematic"_s, u"Tension"_s}},
        {u"dream"_s, {u"Dreamy"_s, u"Introspective"_s, u"Atmospheric"_s}},
        {u"dreamy"_s, {u"Dreamy"_s, u"Atmospheric"_s}},
        {u"space"_s, {u"Atmospheric"_s, u"Cinematic"_s, u"Ambient"_s, u"Epic"_s}},
        {u"night"_s, {u"Dark"_s, u"Atmospheric"_s, u"Urban"_s}},
        {u"city"_s, {u"Urban"_s, u"Electronic"_s, u"Cinematic"_s}},
        {u"nature"_s, {u"Atmospheric"_s, u"Calm"_s, u"Dreamy"_s}},
        {u"forest"_s, {u"Atmospheric"_s, u"Calm"_s, u"Introspective"_s}},
        {u"ocean"_s, {u"Calm"_s, u"Atmospheric"_s, u"Dreamy"_s}},
        {u"love"_s, {u"Emotional"_s, u"Romantic"_s, u"Melancholic"_s}},
        {u"romance"_s, {u"Romantic"_s, u"Emotional"_s}},
        {u"mystery"_s, {u"Mysterious"_s, u"Dark"_s, u"Introspective"_s}},
        {u"mysterious"_s, {u"Mysterious"_s, u"Atmospheric"_s}},
        {u"dark"_s, {u"Dark"_s, u"Atmospheric"_s, u"Haunting"_s}},
        {u"darkness"_s, {u"Dark"_s, u"Haunting"_s}},
        {u"calm"_s, {u"Calm"_s, u"Atmospheric"_s, u"Introspective"_s}},
        {u"peaceful"_s, {u"Calm"_s, u"Introspective"_s, u"Dreamy"_s}},
        {u"hope"_s, {u"Hopeful"_s, u"Emotional"_s, u"Calm"_s}},
        {u"nostalgic"_s, {u"Nostalgic"_s, u"Melancholic"_s, u"Introspective"_s}},
        {u"nostalgia"_s, {u"Nostalgic"_s, u"Melancholic"_s}},
        {u"haunting"_s, {u"Haunting"_s, u"Dark"_s, u"Atmospheric"_s}},
        {u"intense"_s, {u"Intense"_s, u"Tension"_s, u"Dark"_s}},
        {u"slow"_s, {u"Slow"_s, u"Calm"_s}},
        {u"fast"_s, {u"Fast"_s, u"Energetic"_s}},
        {u"raw"_s, {u"Raw"_s, u"Intense"_s}},
        {u"minimal"_s, {u"Minimal"_s, u"Calm"_s, u"Introspective"_s}},
        {u"hypnotic"_s, {u"Hypnotic"_s, u"Atmospheric"_s, u"Introspective"_s}},
        {u"ethereal"_s, {u"Ethereal"_s, u"Atmospheric"_s, u"Dreamy"_s}},
        {u"rain"_s, {u"Atmospheric"_s, u"Melancholic"_s, u"Dark"_s}},
        {u"sunrise"_s, {u"Hopeful"_s, u"Calm"_s, u"Atmospheric"_s}},
        {u"sunset"_s, {u"Nostalgic"_s, u"Calm"_s, u"Atmospheric"_s}},
        {u"desert"_s, {u"Atmospheric"_s, u"Minimal"_s, u"Hypnotic"_s}},
        {u"underwater"_s, {u"Atmospheric"_s, u"Dreamy"_s, u"Ethereal"_s}},
        {u"open space"_s, {u"Atmospheric"_s, u"Cinematic"_s, u"Epic"_s, u"Dreamy"_s}},
        {u"wide shot"_s, {u"Atmospheric"_s, u"Cinematic"_s, u"Epic"_s}},
        {u"night scene"_s, {u"Dark"_s, u"Atmospheric"_s, u"Urban"_s, u"Mysterious"_s}},
        {u"car chase"_s, {u"Tension"_s, u"Energetic"_s, u"Intense"_s}},
        {u"fight scene"_s, {u"Tension"_s, u"Energetic"_s, u"Intense"_s, u"Dark"_s}},
        {u"love scene"_s, {u"Romantic"_s, u"Emotional"_s, u"Calm"_s}},
        {u"romantic scene"_s, {u"Romantic"_s, u"Emotional"_s, u"Melancholic"_s}},
        {u"quiet moment"_s, {u"Calm"_s, u"Introspective"_s, u"Dreamy"_s}},
        {u"dark atmosphere"_s, {u"Dark"_s, u"Haunting"_s, u"Mysterious"_s}},
        {u"soft music"_s, {u"Calm"_s, u"Introspective"_s, u"Ethereal"_s}},
        {u"epic scene"_s, {u"Epic"_s, u"Powerful"_s, u"Cinematic"_s}},
        {u"dramatic tension"_s, {u"Tension"_s, u"Dramatic"_s, u"Dark"_s}},
        {u"inner journey"_s, {u"Introspective"_s, u"Dreamy"_s, u"Atmospheric"_s}},
        {u"big emotion"_s, {u"Emotional"_s, u"Cinematic"_s, u"Powerful"_s}},
        {u"urban vibe"_s, {u"Urban"_s, u"Electronic"_s, u"Dark"_s}},
        {u"opening credits"_s, {u"Cinematic"_s, u"Epic"_s, u"Atmospheric"_s}},
        {u"closing credits"_s, {u"Emotional"_s, u"Nostalgic"_s, u"Melancholic"_s}},
        {u"end credits"_s, {u"Emotional"_s, u"Nostalgic"_s, u"Melancholic"_s}},
        {u"slow motion"_s, {u"Atmospheric"_s, u"Cinematic"_s, u"Dreamy"_s, u"Emotional"_s}},
        {u"time lapse"_s, {u"Atmospheric"_s, u"Cinematic"_s, u"Hypnotic"_s}},
        {u"drone shot"_s, {u"Atmospheric"_s, u"Cinematic"_s, u"Epic"_s}},
        {u"rainy night"_s, {u"Dark"_s, u"Atmospheric"_s, u"Melancholic"_s}},
        {u"triste"_s, {u"Melancholic"_s, u"Emotional"_s}},
        {u"tristesse"_s, {u"Melancholic"_s, u"Emotional"_s}},
        {u"mélancolie"_s, {u"Melancholic"_s, u"Introspective"_s}},
        {u"heureux"_s, {u"Energetic"_s, u"Hopeful"_s}},
        {u"joie"_s, {u"Energetic"_s, u"Hopeful"_s}},
        {u"peur"_s, {u"Dark"_s, u"Tension"_s, u"Mysterious"_s}},
        {u"horreur"_s, {u"Dark"_s, u"Haunting"_s}},
        {u"combat"_s, {u"Tension"_s, u"Energetic"_s, u"Intense"_s}},
        {u"guerre"_s, {u"Tension"_s, u"Dark"_s, u"Epic"_s}},
        {u"course"_s, {u"Tension"_s, u"Energetic"_s}},
        {u"épique"_s, {u"Epic"_s, u"Cinematic"_s, u"Powerful"_s}},
        {u"puissant"_s, {u"Powerful"_s, u"Energetic"_s}},
        {u"dramatique"_s, {u"Dramatic"_s, u"Cinematic"_s}},
        {u"rêve"_s, {u"Dreamy"_s, u"Introspective"_s}},
        {u"nuit"_s, {u"Dark"_s, u"Atmospheric"_s, u"Urban"_s}},
        {u"ville"_s, {u"Urban"_s, u"Electronic"_s}},
        {u"amour"_s, {u"Emotional"_s, u"Romantic"_s}},
        {u"mystère"_s, {u"Mysterious"_s, u"Dark"_s}},
        {u"sombre"_s, {u"Dark"_s, u"Atmospheric"_s}},
        {u"calme"_s, {u"Calm"_s, u"Atmospheric"_s}},
        {u"espoir"_s, {u"Hopeful"_s, u"Emotional"_s}},
        {u"nostalgie"_s, {u"Nostalgic"_s, u"Melancholic"_s}},
        {u"lent"_s, {u"Slow"_s, u"Calm"_s}},
        {u"rapide"_s, {u"Fast"_s, u"Energetic"_s}},
        {u"hypnotique"_s, {u"Hypnotic"_s, u"Atmospheric"_s}},
        {u"éthéré"_s, {u"Ethereal"_s, u"Atmospheric"_s}},
        {u"espace"_s, {u"Atmospheric"_s, u"Cinematic"_s, u"Dreamy"_s, u"Epic"_s}},
        {u"grand"_s, {u"Epic"_s, u"Powerful"_s, u"Cinematic"_s}},
        {u"doux"_s, {u"Calm"_s, u"Introspective"_s, u"Ethereal"_s}},
        {u"douce"_s, {u"Calm"_s, u"Introspective"_s, u"Ethereal"_s}},
        {u"film"_s, {u"Cinematic"_s, u"Atmospheric"_s}},
        {u"scène"_s, {u"Cinematic"_s, u"Dramatic"_s}},
        {u"scene"_s, {u"Cinematic"_s, u"Dramatic"_s}},
        {u"voyage"_s, {u"Atmospheric"_s, u"Dreamy"_s, u"Introspective"_s}},
        {u"pluie"_s, {u"Atmospheric"_s, u"Melancholic"_s, u"Dark"_s}},
        {u"foret"_s, {u"Atmospheric"_s, u"Calm"_s, u"Introspective"_s}},
        {u"forêt"_s, {u"Atmospheric"_s, u"Calm"_s, u"Introspective"_s}},
        {u"mer"_s, {u"Calm"_s, u"Atmospheric"_s, u"Dreamy"_s}},
        {u"océan"_s, {u"Calm"_s, u"Atmospheric"_s, u"Dreamy"_s}},
        {u"montagne"_s, {u"Epic"_s, u"Atmospheric"_s, u"Cinematic"_s}},
        {u"ciel"_s, {u"Atmospheric"_s, u"Dreamy"_s, u"Ethereal"_s}},
        {u"désert"_s, {u"Atmospheric"_s, u"Minimal"_s, u"Hypnotic"_s}},
        {u"soleil"_s, {u"Hopeful"_s, u"Calm"_s, u"Atmospheric"_s}},
        {u"lever"_s, {u"Hopeful"_s, u"Calm"_s, u"Atmospheric"_s}},
        {u"coucher"_s, {u"Nostalgic"_s, u"Calm"_s, u"Atmospheric"_s}},
        {u"orage"_s, {u"Tension"_s, u"Dark"_s, u"Atmospheric"_s}},
        {u"tempête"_s, {u"Tension"_s, u"Dark"_s, u"Intense"_s}},
        {u"feu"_s, {u"Intense"_s, u"Energetic"_s, u"Dramatic"_s}},
        {u"glace"_s, {u"Calm"_s, u"Ethereal"_s, u"Minimal"_s}},
        {u"neige"_s, {u"Calm"_s, u"Atmospheric"_s, u"Ethereal"_s}},
        {u"étoiles"_s, {u"Dreamy"_s, u"Atmospheric"_s, u"Ethereal"_s}},
        {u"lune"_s, {u"Dark"_s, u"Atmospheric"_s, u"Dreamy"_s}},
        {u"grand espace"_s, {u"Atmospheric"_s, u"Cinematic"_s, u"Epic"_s, u"Dreamy"_s}},
        {u"scène de nuit"_s, {u"Dark"_s, u"Atmospheric"_s, u"Urban"_s, u"Mysterious"_s}},
        {u"film romantique"_s, {u"Romantic"_s, u"Emotional"_s, u"Melancholic"_s}},
        {u"course poursuite"_s, {u"Tension"_s, u"Energetic"_s, u"Intense"_s}},
        {u"moment calme"_s, {u"Calm"_s, u"Introspective"_s, u"Dreamy"_s}},
        {u"ambiance sombre"_s, {u"Dark"_s, u"Haunting"_s, u"Mysterious"_s}},
        {u"musique douce"_s, {u"Calm"_s, u"Introspective"_s, u"Ethereal"_s}},
        {u"scène épique"_s, {u"Epic"_s, u"Powerful"_s, u"Cinematic"_s}},
        {u"tension dramatique"_s, {u"Tension"_s, u"Dramatic"_s, u"Dark"_s}},
        {u"voyage intérieur"_s, {u"Introspective"_s, u"Dreamy"_s, u"Atmospheric"_s}},
        {u"grande émotion"_s, {u"Emotional"_s, u"Cinematic"_s, u"Powerful"_s}},
        {u"ambiance urbaine"_s, {u"Urban"_s, u"Electronic"_s, u"Dark"_s}},
        {u"ralenti"_s, {u"Atmospheric"_s, u"Cinematic"_s, u"Dreamy"_s, u"Emotional"_s}},
        {u"nuit pluvieuse"_s, {u"Dark"_s, u"Atmospheric"_s, u"Melancholic"_s}},
        {u"sous la pluie"_s, {u"Atmospheric"_s, u"Melancholic"_s, u"Dark"_s}},
        {u"générique de fin"_s, {u"Emotional"_s, u"Nostalgic"_s, u"Melancholic"_s}},
        {u"générique"_s, {u"Cinematic"_s, u"Epic"_s, u"Atmospheric"_s}},
    };
}

} // namespace

const QHash<QString, QStringList>& map() {
    static const QHash<QString, QStringList> table = buildMap();
    return table;
}

QStringList tags(const QString& text) {
    const QString s = text.toLower().trimmed();
    if (s.isEmpty())
        return {};
    const QHash<QString, QStringList>& table = map();
    // A whole-text key wins outright: that is the only way a three-word phrase is recognised.
    if (const auto whole = table.constFind(s); whole != table.constEnd())
        return *whole;

    // Only the space separates words: "calm," keeps its comma and a tab joins two words into one.
    const QStringList words = s.split(u' ', Qt::SkipEmptyParts);
    QStringList result;
    const auto append = [&](const QString& key) {
        const auto found = table.constFind(key);
        if (found == table.constEnd())
            return;
        for (const QString& tag : *found) {
            if (!result.contains(tag))
                result.append(tag);
        }
    };
    // Phrases before single words, so "car chase" ranks its own tags ahead of "chase".
    for (qsizetype i = 0; i + 1 < words.size(); ++i)
        append(words[i] + u' ' + words[i + 1]);
    for (const QString& word : words)
        append(word);
    return result;
}

} // namespace aru::SemanticSearch
