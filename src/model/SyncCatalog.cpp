#include "SyncCatalog.h"

#include "TrackFields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>
#include <simdjson.h>
#include <unordered_map>

namespace aru {

namespace {

using simdjson::dom::element;
using simdjson::dom::element_type;

// Beyond any real catalogue (100,000 tracks weigh about 130 MB); refusing earlier keeps a
// hostile answer from exhausting memory.
constexpr qsizetype maxDocumentBytes = qsizetype(1) << 30;

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Reads simdjson values with the same typing rules as Qt's parser gives through JsonFields, so
// both decoders agree on every document. A catalogue's short words (genres, moods, keys,
// artists…) repeat across thousands of tracks: each distinct one is built once and the records
// share it, which saves most of the decode's allocations and much of the memory it keeps.
class SimdjsonReader {
public:
    static std::optional<qint64> integer(element value) {
        switch (value.type()) {
        case element_type::INT64:
            return int64_t(value);
        case element_type::DOUBLE: {
            // An integral double in range counts, as it does for Qt's toInteger().
            const double d = double(value);
            if (d >= -9223372036854775808.0 && d < 9223372036854775808.0 && std::trunc(d) == d)
                return qint64(d);
            return std::nullopt;
        }
        default:
            return std::nullopt;
        }
    }

    static std::optional<qint64> decimalText(element value) {
        std::string_view text;
        if (value.get_string().get(text))
            return std::nullopt;
        return parseBpmText(text);
    }

    static std::optional<QString> string(element value) {
        std::string_view text;
        if (value.get_string().get(text))
            return std::nullopt;
        return fromUtf8(text);
    }

    std::optional<QString> label(element value) {
        std::string_view text;
        if (value.get_string().get(text))
            return std::nullopt;
        return shared(text);
    }

    std::optional<QStringList> labels(element value) {
        simdjson::dom::array array;
        if (value.get_array().get(array))
            return std::nullopt;
        QStringList list;
        list.reserve(qsizetype(array.size()));
        for (element item : array) {
            std::string_view text;
            if (item.get_string().get(text))
                return std::nullopt;
            list.append(shared(text));
        }
        return list;
    }

private:
    // Longer texts are rarely repeated; hashing them would cost more than it saves.
    static constexpr size_t maxSharedBytes = 64;

    QString shared(std::string_view text) {
        if (text.size() > maxSharedBytes)
            return fromUtf8(text);
        // The keys point into the parser's buffer, which outlives this reader.
        const auto [entry, added] = m_texts.try_emplace(text);
        if (added)
            entry->second = fromUtf8(text);
        return entry->second;
    }

    std::unordered_map<std::string_view, QString> m_texts;
};

Decoded<Track> decodeTrack(SimdjsonReader& reader, element value) {
    simdjson::dom::object object;
    if (value.get_object().get(object))
        return Decoded<Track>::failure(QStringLiteral("track is not an object"));
    TrackFields::Draft draft;
    size_t nextField = 0;
    for (const simdjson::dom::key_value_pair member : object) {
        const auto field = TrackFields::fieldForKey(member.key, nextField);
        if (!field)
            continue;
        TrackFields::read(reader, draft, *field, member.value);
        nextField = size_t(*field) + 1;
    }
    return TrackFields::finish(std::move(draft));
}

Decoded<TagLibrary> decodeTagLibrary(SimdjsonReader& reader, element value) {
    using Result = Decoded<TagLibrary>;
    simdjson::dom::object object;
    if (value.get_object().get(object))
        return Result::failure(QStringLiteral("tagLibrary is not an object"));
    const std::pair<std::string_view, std::optional<QStringList> TagLibrary::*> fields[] = {
        {"moods", &TagLibrary::moods},
        {"genres", &TagLibrary::genres},
        {"instruments", &TagLibrary::instruments},
        {"themes", &TagLibrary::themes},
        {"tempos", &TagLibrary::tempos},
    };
    TagLibrary library;
    // Every member is visited so that a repeated key counts by its last occurrence, as with
    // Qt's parser.
    for (const simdjson::dom::key_value_pair member : object) {
        const auto field = std::find_if(std::begin(fields), std::end(fields),
                                        [&](const auto& f) { return f.first == member.key; });
        if (field == std::end(fields))
            continue;
        if (member.value.is_null()) {
            library.*field->second = std::nullopt;
            continue;
        }
        auto strings = reader.labels(member.value);
        if (!strings)
            return Result::failure(
                QStringLiteral("tagLibrary.%1 is not a list of strings").arg(fromUtf8(member.key)));
        library.*field->second = std::move(*strings);
    }
    return Result::success(std::move(library));
}

// The last occurrence of a top-level member, as Qt's parser would keep it.
std::optional<element> lastMember(simdjson::dom::object object, std::string_view key) {
    std::optional<element> found;
    for (const simdjson::dom::key_value_pair member : object) {
        if (member.key == key)
            found = member.value;
    }
    return found;
}

} // namespace

Decoded<SyncCatalog> SyncCatalog::fromJson(QByteArray bytes) {
    using Result = Decoded<SyncCatalog>;
    if (bytes.size() > maxDocumentBytes)
        return Result::failure(QStringLiteral("catalogue document too large"));

    // The parser reads a little past the end; reserving that room avoids copying the document.
    bytes.reserve(bytes.size() + qsizetype(simdjson::SIMDJSON_PADDING));
    simdjson::dom::parser parser;
    element root;
    // The DOM parser validates the whole document (UTF-8, every value, nothing trailing), also
    // the parts the decoder then ignores.
    if (const auto error = parser.parse(bytes.constData(), size_t(bytes.size()), false).get(root))
        return Result::failure(QString::fromUtf8(simdjson::error_message(error)));

    simdjson::dom::object document;
    if (root.get_object().get(document))
        return Result::failure(QStringLiteral("catalogue is not an object"));

    SyncCatalog catalog;
    SimdjsonReader reader;
    simdjson::dom::array tracks;
    const auto tracksValue = lastMember(document, "tracks");
    if (!tracksValue || tracksValue->get_array().get(tracks))
        return Result::failure(QStringLiteral("catalogue without a \"tracks\" array"));
    catalog.tracks.reserve(qsizetype(tracks.size()));
    qsizetype index = 0;
    for (element value : tracks) {
        auto track = decodeTrack(reader, value);
        if (!track)
            return Result::failure(QStringLiteral("tracks[%1]: %2").arg(index).arg(track.error()));
        catalog.tracks.append(std::move(track).value());
        ++index;
    }

    if (const auto tagLibrary = lastMember(document, "tagLibrary");
        tagLibrary && !tagLibrary->is_null()) {
        auto library = decodeTagLibrary(reader, *tagLibrary);
        if (!library)
            return Result::failure(library.error());
        catalog.tagLibrary = std::move(library).value();
    }
    return Result::success(std::move(catalog));
}

QFuture<Decoded<SyncCatalog>> SyncCatalog::fromJsonInBackground(QByteArray bytes) {
    return QtConcurrent::run(
        [bytes = std::move(bytes)]() mutable { return fromJson(std::move(bytes)); });
}

QByteArray SyncCatalog::toJson() const {
    QJsonArray trackArray;
    for (const Track& track : tracks)
        trackArray.append(track.toJson());
    QJsonObject document{{QLatin1String("tracks"), trackArray}};
    if (tagLibrary)
        document.insert(QLatin1String("tagLibrary"), tagLibrary->toJson());
    return QJsonDocument(document).toJson(QJsonDocument::Compact);
}

} // namespace aru
