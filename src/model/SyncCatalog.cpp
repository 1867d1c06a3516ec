#include "SyncCatalog.h"

#include "TrackFields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>
#include <simdjson.h>

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
// both decoders agree on every document.
struct SimdjsonReader {
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

    static std::optional<QString> string(element value) {
        std::string_view text;
        if (value.get_string().get(text))
            return std::nullopt;
        return fromUtf8(text);
    }

    static std::optional<QStringList> stringList(element value) {
        simdjson::dom::array array;
        if (value.get_array().get(array))
            return std::nullopt;
        QStringList list;
        list.reserve(qsizetype(array.size()));
        for (element item : array) {
            std::string_view text;
            if (item.get_string().get(text))
                return std::nullopt;
            list.append(fromUtf8(text));
        }
        return list;
    }
};

Decoded<Track> decodeTrack(element value) {
    simdjson::dom::object object;
    if (value.get_object().get(object))
        return Decoded<Track>::failure(QStringLiteral("track is not an object"));
    TrackFields::Draft draft;
    size_t nextField = 0;
    for (const simdjson::dom::key_value_pair member : object) {
        const auto field = TrackFields::fieldForKey(member.key, nextField);
        if (!field)
            continue;
        TrackFields::read<SimdjsonReader>(draft, *field, member.value);
        nextField = size_t(*field) + 1;
    }
    return TrackFields::finish(std::move(draft));
}

Decoded<TagLibrary> decodeTagLibrary(element value) {
    using Result = Decoded<TagLibrary>;
    simdjson::dom::object object;
    if (value.get_object().get(object))
        return Result::failure(QStringLiteral("tagLibrary is not an object"));
    TagLibrary library;
    const std::pair<const char*, std::optional<QStringList> TagLibrary::*> fields[] = {
        {"moods", &TagLibrary::moods},
        {"genres", &TagLibrary::genres},
        {"instruments", &TagLibrary::instruments},
        {"themes", &TagLibrary::themes},
        {"tempos", &TagLibrary::tempos},
    };
    for (const auto& [key, member] : fields) {
        element list;
        if (object.at_key(key).get(list) || list.is_null())
            continue;
        auto strings = SimdjsonReader::stringList(list);
        if (!strings)
            return Result::failure(
                QStringLiteral("tagLibrary.%1 is not a list of strings").arg(QLatin1String(key)));
        library.*member = std::move(*strings);
    }
    return Result::success(std::move(library));
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
    simdjson::dom::array tracks;
    if (document.at_key("tracks").get_array().get(tracks))
        return Result::failure(QStringLiteral("catalogue without a \"tracks\" array"));
    catalog.tracks.reserve(qsizetype(tracks.size()));
    qsizetype index = 0;
    for (element value : tracks) {
        auto track = decodeTrack(value);
        if (!track)
            return Result::failure(QStringLiteral("tracks[%1]: %2").arg(index).arg(track.error()));
        catalog.tracks.append(std::move(track).value());
        ++index;
    }

    element tagLibrary;
    if (!document.at_key("tagLibrary").get(tagLibrary) && !tagLibrary.is_null()) {
        auto library = decodeTagLibrary(tagLibrary);
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
