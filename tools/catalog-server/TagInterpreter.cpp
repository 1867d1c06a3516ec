#include "TagInterpreter.h"

#include <QCryptographicHash>
#include <QHash>
#include <QRegularExpression>
#include <array>

namespace aru::server {

namespace {

constexpr int kMaxTags = 6;
constexpr int kMaxQueryLength = 500;

struct Keyword {
    const char* word;
    const char* tags;
};

// Words the client's own vocabulary does not know (it has English and French scene words only):
// Japanese, Spanish and a few genre or use-case words, so the server has something to add.
constexpr std::array kKeywords{
    Keyword{"雨", "Melancholic Atmospheric Dark"},
    Keyword{"夜", "Dark Night Urban Atmospheric"},
    Keyword{"海", "Calm Dreamy Nature"},
    Keyword{"戦", "Tension Intense Action Epic"},
    Keyword{"愛", "Romantic Emotional Romance"},
    Keyword{"悲", "Melancholic Emotional"},
    Keyword{"森", "Nature Calm Atmospheric"},
    Keyword{"街", "Urban Electronic"},
    Keyword{"都会", "Urban Electronic"},
    Keyword{"宇宙", "Space Ethereal Cinematic"},
    Keyword{"夢", "Dreamy Ethereal"},
    Keyword{"lluvia", "Melancholic Atmospheric"},
    Keyword{"noche", "Dark Night Urban"},
    Keyword{"mar", "Calm Nature Dreamy"},
    Keyword{"amor", "Romantic Romance Emotional"},
    Keyword{"triste", "Melancholic Emotional"},
    Keyword{"fiesta", "Energetic Playful"},
    Keyword{"persecución", "Tension Action Energetic"},
    Keyword{"persecucion", "Tension Action Energetic"},
    Keyword{"bosque", "Nature Calm"},
    Keyword{"ciudad", "Urban Electronic"},
    Keyword{"miedo", "Dark Tension Haunting"},
    Keyword{"épico", "Epic Powerful Orchestral"},
    Keyword{"wedding", "Romantic Hopeful Romance"},
    Keyword{"mariage", "Romantic Hopeful Romance"},
    Keyword{"documentary", "Documentary Atmospheric"},
    Keyword{"documentaire", "Documentary Atmospheric"},
    Keyword{"tech", "Technology Electronic Minimal"},
    Keyword{"technology", "Technology Electronic Minimal"},
    Keyword{"fashion", "Fashion Urban Electronic"},
    Keyword{"mode", "Fashion Urban"},
    Keyword{"adventure", "Adventure Epic Orchestral"},
    Keyword{"aventure", "Adventure Epic Orchestral"},
    Keyword{"ghost", "Haunting Dark Ethereal"},
    Keyword{"fantôme", "Haunting Dark Ethereal"},
    Keyword{"sport", "Energetic Powerful Sport"},
    Keyword{"trailer", "Epic Cinematic Powerful Tension"},
    Keyword{"corporate", "Hopeful Minimal Technology"},
};

// Words in scripts without spaces are found anywhere in the text; other words must stand alone,
// so that "mar" (sea) does not fire inside "mariage".
bool mentions(const QString& text, const QStringList& words, const QString& keyword) {
    if (keyword.front().unicode() >= 0x3000)
        return text.contains(keyword);
    return words.contains(keyword);
}

} // namespace

QStringList TagInterpreter::pickAvailable(const QStringList& candidates,
                                          const QStringList& availableTags, int limit) {
    QHash<QString, QString> spelling; // lower case → the client's spelling, first one wins
    for (const QString& tag : availableTags) {
        const QString key = tag.toLower();
        if (!spelling.contains(key))
            spelling.insert(key, tag);
    }
    QStringList picked;
    for (const QString& candidate : candidates) {
        const QString tag = spelling.value(candidate.toLower());
        if (!tag.isEmpty() && !picked.contains(tag))
            picked.append(tag);
        if (picked.size() >= limit)
            break;
    }
    return picked;
}

QStringList TagInterpreter::fallback(const QString& key, const QStringList& availableTags,
                                     int count) {
    QStringList picked;
    if (availableTags.isEmpty())
        return picked;
    const QByteArray digest = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1);
    for (int i = 0; i < digest.size() && picked.size() < count; ++i) {
        const QString& tag =
            availableTags.at(static_cast<unsigned char>(digest.at(i)) % availableTags.size());
        if (!picked.contains(tag))
            picked.append(tag);
    }
    return picked;
}

QStringList TagInterpreter::interpret(const QString& query, const QStringList& availableTags) {
    // Real queries are a few words; a cap keeps a hostile one from costing seconds.
    const QString text = query.left(kMaxQueryLength).trimmed().toLower();
    if (text.isEmpty() || availableTags.isEmpty())
        return {};

    QStringList candidates;
    for (const QString& tag : availableTags) {
        if (!tag.isEmpty() && text.contains(tag.toLower()))
            candidates.append(tag);
    }
    static const QRegularExpression separators(QStringLiteral("[^\\p{L}\\p{N}]+"));
    const QStringList words = text.split(separators, Qt::SkipEmptyParts);
    for (const Keyword& keyword : kKeywords) {
        if (mentions(text, words, QString::fromUtf8(keyword.word)))
            candidates += QString::fromUtf8(keyword.tags).split(QLatin1Char(' '));
    }
    const QStringList tags = pickAvailable(candidates, availableTags, kMaxTags);
    return tags.isEmpty() ? fallback(text, availableTags, 3) : tags;
}

} // namespace aru::server
