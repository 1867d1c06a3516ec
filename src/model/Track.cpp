#include "Track.h"

#include "JsonFields.h"
#include "NameCharacters.h"
#include "ServerAddress.h"
#include "TrackFields.h"

#include <QHashFunctions>
#include <QJsonArray>
#include <limits>

namespace aru {

namespace {

using TrackFields::Field;

// Qt's parser has already built every text, so there is nothing left to share.
struct QtJsonReader {
    static std::optional<qint64> integer(const QJsonValue& v) { return JsonFields::integer(v); }
    static std::optional<qint64> decimalText(const QJsonValue& v) {
        const auto text = JsonFields::string(v);
        return text ? parseBpmText(QStringView(*text)) : std::nullopt;
    }
    static std::optional<QString> string(const QJsonValue& v) { return JsonFields::string(v); }
    static std::optional<QString> label(const QJsonValue& v) { return JsonFields::string(v); }
    static std::optional<QStringList> labels(const QJsonValue& v) {
        return JsonFields::stringList(v);
    }
};

QString jsonKey(Field field) {
    const std::string_view key = TrackFields::keyOf(field);
    return QString::fromLatin1(key.data(), qsizetype(key.size()));
}

// Parses an address the way a browser's address bar would (a space in a path is encoded), but
// gives an invalid URL for text that is not an absolute address.
QUrl parseAbsoluteUrl(const QString& text) {
    QUrl url(text, QUrl::TolerantMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        return {};
    return url;
}

QString percentEncoded(const QString& value) {
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

// Control characters go (a NUL would cut the name short where the system reads it), runs of
// spaces shrink to one, "/" and ":" become "-", surrounding white space goes.
QString cleanedForDisk(QString part) {
    part.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    part.replace(QLatin1Char('/'), QLatin1Char('-'));
    part.replace(QLatin1Char(':'), QLatin1Char('-'));
    while (part.contains(QLatin1String("  ")))
        part.replace(QLatin1String("  "), QLatin1String(" "));
    return part.trimmed();
}

bool isAllowedInDragName(char32_t c) {
    return NameCharacters::isLetterMarkOrDigit(c) || c == U' ' || c == U'.' || c == U'_' ||
           c == U'-' || c == U'(' || c == U')';
}

// Keeps letters, marks, digits and " ._-()", then trims spaces and tabs at both ends.
QString cleanedForDrag(const QString& part) {
    QString kept;
    kept.reserve(part.size());
    for (const char32_t c : part.toUcs4()) {
        if (isAllowedInDragName(c))
            kept.append(QString::fromUcs4(&c, 1));
    }
    qsizetype begin = 0;
    qsizetype end = kept.size();
    const auto isBlank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && isBlank(kept.at(begin)))
        ++begin;
    while (end > begin && isBlank(kept.at(end - 1)))
        --end;
    return kept.mid(begin, end - begin);
}

QString joinedNonEmpty(const QStringList& parts) {
    QStringList kept;
    for (const QString& part : parts) {
        if (!part.isEmpty())
            kept.append(part);
    }
    return kept.join(QLatin1String(" - "));
}

template <typename T> size_t hashOptional(const std::optional<T>& value, size_t seed) {
    return value ? qHashMulti(seed, true, *value) : qHashMulti(seed, false);
}

void insertIfPresent(QJsonObject& object, Field field, const std::optional<QString>& value) {
    if (value)
        object.insert(jsonKey(field), *value);
}

void insertIfPresent(QJsonObject& object, Field field, const std::optional<QStringList>& value) {
    if (value)
        object.insert(jsonKey(field), QJsonArray::fromStringList(*value));
}

void insertIfPresent(QJsonObject& object, Field field, const std::optional<qint64>& value) {
    if (value)
        object.insert(jsonKey(field), *value);
}

template <typename Char>
std::optional<qint64> parseSignedDecimal(const Char* begin, const Char* end) {
    if (begin == end)
        return std::nullopt;
    bool negative = false;
    if (*begin == Char('+') || *begin == Char('-')) {
        negative = *begin == Char('-');
        ++begin;
    }
    if (begin == end)
        return std::nullopt;
    // Accumulate towards the negative side so that the most negative value fits.
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    qint64 value = 0;
    for (const Char* p = begin; p != end; ++p) {
        if (*p < Char('0') || *p > Char('9'))
            return std::nullopt;
        const int digit = int(*p - Char('0'));
        if (value < (lowest + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == lowest)
            return std::nullopt;
        value = -value;
    }
    return value;
}

} // namespace

Decoded<Track> Track::fromJson(const QJsonObject& object) {
    TrackFields::Draft draft;
    QtJsonReader reader;
    for (size_t i = 0; i < TrackFields::keys.size(); ++i) {
        const auto field = static_cast<Field>(i);
        TrackFields::read(reader, draft, field, object.value(jsonKey(field)));
    }
    return TrackFields::finish(std::move(draft));
}

QJsonObject Track::toJson() const {
    QJsonObject object;
    object.insert(jsonKey(Field::Id), id);
    object.insert(jsonKey(Field::Title), title);
    object.insert(jsonKey(Field::Artist), artist);
    insertIfPresent(object, Field::Genre, genre);
    insertIfPresent(object, Field::Mood, mood);
    insertIfPresent(object, Field::Tempo, tempo);
    insertIfPresent(object, Field::Duration, duration);
    object.insert(jsonKey(Field::AudioFile), audioFile);
    insertIfPresent(object, Field::CoverArt, coverArt);
    insertIfPresent(object, Field::DownloadFile, downloadFile);
    insertIfPresent(object, Field::Album, album);
    insertIfPresent(object, Field::Year, year);
    insertIfPresent(object, Field::Isrc, isrc);
    insertIfPresent(object, Field::Key, key);
    insertIfPresent(object, Field::Bpm, bpm);
    insertIfPresent(object, Field::Vocal, vocal);
    insertIfPresent(object, Field::Instruments, instruments);
    insertIfPresent(object, Field::Themes, themes);
    insertIfPresent(object, Field::Description, description);
    insertIfPresent(object, Field::DescriptionFr, description_fr);
    insertIfPresent(object, Field::DescriptionJa, description_ja);
    insertIfPresent(object, Field::Artists, artists);
    return object;
}

QUrl Track::streamingURL() const {
    if (audioFile.startsWith(QLatin1String("http")))
        return parseAbsoluteUrl(audioFile);
    QString path = audioFile;
    path.replace(QLatin1String("/api/audio/"), QLatin1String("/api/audio-stream/"));
    return ServerAddress::resolve(path);
}

QUrl Track::coverArtURL() const {
    if (!coverArt || coverArt->isEmpty())
        return {};
    return parseAbsoluteUrl(*coverArt);
}

QUrl Track::downloadURL(const QString& email, const QString& token) const {
    if (!downloadFile)
        return {};
    return fileDownloadURL(*downloadFile, email, token);
}

QUrl Track::fileDownloadURL(const QString& fileAddress, const QString& email,
                            const QString& token) {
    QString text = fileAddress;
    text.replace(QLatin1String("/api/audio/"), QLatin1String("/api/download/"));
    QUrl url = ServerAddress::resolve(text);
    // Another host is fetched without the account's e-mail and token (and may refuse).
    if (!url.isValid() || !ServerAddress::isBaseOrigin(url))
        return url;
    // Encoded by hand: Qt's query builder would leave "+" raw, which servers read as a space.
    const QString added = QLatin1String("email=") + percentEncoded(email) +
                          QLatin1String("&token=") + percentEncoded(token);
    const QString existing = url.query(QUrl::FullyEncoded);
    url.setQuery(existing.isEmpty() ? added : existing + QLatin1Char('&') + added);
    return url;
}

QString Track::suggestedFilename() const {
    const QString name = joinedNonEmpty(
        {cleanedForDisk(title), cleanedForDisk(artist), cleanedForDisk(isrc.value_or(QString()))});
    return (name.isEmpty() ? QStringLiteral("track") : name) + QLatin1String(".wav");
}

QString Track::niceFilename(const Track& track) {
    const QString name = joinedNonEmpty({cleanedForDrag(track.title), cleanedForDrag(track.artist),
                                         cleanedForDrag(track.isrc.value_or(QString()))});
    return name.isEmpty() ? QStringLiteral("track") : name;
}

size_t qHash(const Track& t, size_t seed) noexcept {
    seed = qHashMulti(seed, t.id, t.title, t.artist);
    seed = hashOptional(t.genre, seed);
    seed = hashOptional(t.mood, seed);
    seed = hashOptional(t.tempo, seed);
    seed = hashOptional(t.duration, seed);
    seed = qHashMulti(seed, t.audioFile);
    seed = hashOptional(t.coverArt, seed);
    seed = hashOptional(t.downloadFile, seed);
    seed = hashOptional(t.album, seed);
    seed = hashOptional(t.year, seed);
    seed = hashOptional(t.isrc, seed);
    seed = hashOptional(t.key, seed);
    seed = hashOptional(t.bpm, seed);
    seed = hashOptional(t.vocal, seed);
    seed = hashOptional(t.instruments, seed);
    seed = hashOptional(t.themes, seed);
    seed = hashOptional(t.description, seed);
    seed = hashOptional(t.description_fr, seed);
    seed = hashOptional(t.description_ja, seed);
    return hashOptional(t.artists, seed);
}

std::optional<qint64> parseBpmText(QStringView text) {
    return parseSignedDecimal(text.utf16(), text.utf16() + text.size());
}

std::optional<qint64> parseBpmText(std::string_view utf8) {
    return parseSignedDecimal(utf8.data(), utf8.data() + utf8.size());
}

} // namespace aru
