#include "CatalogDocumentReader.h"

#include "TrackFields.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <simdjson.h>
#include <utility>
#include <vector>

namespace aru {

namespace {

namespace od = simdjson::ondemand;
using simdjson::error_code;

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

bool isJsonBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The bytes of `text` from `offset` on, up to eight of them, as one little-endian word with zeros
// above them. Every load has a fixed size, so none becomes a call or a loop.
quint64 wordAt(std::string_view text, size_t offset) {
    const char* const at = text.data() + offset;
    const size_t left = text.size() - offset;
    quint64 word = 0;
    if (left >= 8) {
        std::memcpy(&word, at, 8);
        return word;
    }
    if (text.size() >= 8) {
        // The text's last eight bytes, of which the last `left` are wanted.
        std::memcpy(&word, text.data() + text.size() - 8, 8);
        return word >> ((8 - left) * 8);
    }
    if (left >= 4) {
        quint32 low = 0;
        quint32 high = 0;
        std::memcpy(&low, at, 4);
        std::memcpy(&high, at + left - 4, 4);
        return low | (quint64(high) << ((left - 4) * 8));
    }
    if (left == 0)
        return 0;
    const auto byte = [at](size_t i) {
        return quint64(static_cast<unsigned char>(at[i])) << (8 * i);
    };
    return byte(0) | byte(left / 2) | byte(left - 1);
}

// How many bytes of `word` have their top bit set, for a word with no other bit set.
int countTopBits(quint64 word) {
    return int(((word >> 7) * 0x0101010101010101ULL) >> 56);
}

// The number of UTF-16 units valid UTF-8 text decodes to: one per code point, two beyond the
// basic plane; the byte count exactly when the text is ASCII. Eight bytes at a time: a
// continuation byte is 10xxxxxx, a four-byte sequence opens with 11110xxx.
qsizetype utf16Length(std::string_view utf8) {
    constexpr quint64 topBits = 0x8080808080808080ULL;
    qsizetype continuations = 0;
    qsizetype fourByteLeads = 0;
    for (size_t i = 0; i < utf8.size(); i += 8) {
        const quint64 w = wordAt(utf8, i);
        continuations += countTopBits(w & topBits & ~(w << 1));
        fourByteLeads += countTopBits(w & (w << 1) & (w << 2) & (w << 3) & topBits);
    }
    return qsizetype(utf8.size()) - continuations + fourByteLeads;
}

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i += 8) {
        if (wordAt(a, i) != wordAt(b, i))
            return false;
    }
    return true;
}

// Each distinct short text of a document, built once. Keys are views of the document's bytes,
// which outlive the table. A catalogue asks for millions of texts, mostly the same few hundred:
// open addressing with a word-at-a-time hash keeps that a probe or two, where a node-based map
// spent a tenth of the decode. The hash is seeded per table, so a document cannot be made to
// collide on purpose.
class TextTable {
public:
    // The text made by `make` the first time `key` was asked for.
    template <typename Make> const QString& get(std::string_view key, Make make) {
        if (2 * (m_used + 1) > m_entries.size())
            grow();
        const size_t keyHash = hash(key);
        Entry& entry = find(key, keyHash);
        if (!entry.used) {
            entry = Entry{key, make(key), keyHash, true};
            ++m_used;
        }
        return entry.value;
    }

private:
    struct Entry {
        std::string_view key;
        QString value;
        size_t hash = 0;
        bool used = false;
    };

    size_t hash(std::string_view key) const {
        quint64 h = m_seed ^ (key.size() * 0x9E3779B97F4A7C15ULL);
        for (size_t i = 0; i < key.size(); i += 8) {
            h = (h ^ wordAt(key, i)) * 0xFF51AFD7ED558CCDULL;
            h ^= h >> 32;
        }
        return size_t(h);
    }

    Entry& find(std::string_view key, size_t keyHash) {
        const size_t mask = m_entries.size() - 1;
        for (size_t i = keyHash & mask;; i = (i + 1) & mask) {
            Entry& entry = m_entries[i];
            if (!entry.used || (entry.hash == keyHash && sameText(entry.key, key)))
                return entry;
        }
    }

    void grow() {
        std::vector<Entry> old = std::exchange(
            m_entries, std::vector<Entry>(std::max<size_t>(256, 2 * m_entries.size())));
        for (Entry& entry : old) {
            if (entry.used)
                find(entry.key, entry.hash) = std::move(entry);
        }
    }

    const quint64 m_seed = QRandomGenerator::global()->generate64();
    std::vector<Entry> m_entries;
    size_t m_used = 0;
};

// One value of the document on its way through the field rules. A rule takes it only when its
// type is the one the rule reads, so a rule that does not apply leaves it for the next; whatever
// no rule took is checked afterwards.
struct Slot {
    od::value value;
    od::json_type type{};
    bool taken = false;
};

// Reads values with the typing rules of TrackFields (the same results as Qt's parser gives
// through JsonFields) and checks every value it does not need. The first error sticks: after it,
// reads give nothing and the document is lost.
//
// A catalogue's short words (genres, moods, keys, artists…) repeat across thousands of tracks:
// each distinct one is built once and the records share it, which saves most of the decode's
// allocations and much of the memory it keeps.
class ValueReader {
public:
    bool failed() const { return m_error != simdjson::SUCCESS; }
    error_code error() const { return m_error; }
    // Records the first error; false, for the caller to pass on.
    bool fail(error_code error) {
        if (!failed())
            m_error = error ? error : simdjson::TAPE_ERROR;
        return false;
    }

    bool slot(od::value value, Slot& slot) {
        slot.value = value;
        slot.taken = false;
        if (const error_code error = slot.value.type().get(slot.type))
            return fail(error);
        return true;
    }

    // An object member's name; escaped names (rare) are unescaped by the parser.
    bool key(od::field& field, std::string_view& key) {
        const char* const begin = field.key().raw();
        const char* end = begin;
        // The parser has checked that the name is a complete string.
        while (*end != '"' && *end != '\\')
            ++end;
        if (*end == '"') {
            key = std::string_view(begin, size_t(end - begin));
            return true;
        }
        if (const error_code error = field.unescaped_key().get(key))
            return fail(error);
        return true;
    }

    std::optional<qint64> integer(Slot& slot) {
        if (slot.type != od::json_type::number)
            return std::nullopt;
        slot.taken = true;
        od::number number;
        if (const error_code error = slot.value.get_number().get(number)) {
            fail(error);
            return std::nullopt;
        }
        switch (number.get_number_type()) {
        case od::number_type::signed_integer:
            return number.get_int64();
        case od::number_type::floating_point_number: {
            // An integral double in range counts, as it does for Qt's toInteger().
            const double d = number.get_double();
            if (d >= -9223372036854775808.0 && d < 9223372036854775808.0 && std::trunc(d) == d)
                return qint64(d);
            return std::nullopt;
        }
        case od::number_type::unsigned_integer:
            break;
        }
        return std::nullopt;
    }

    std::optional<qint64> decimalText(Slot& slot) {
        const auto text = takeText(slot);
        return text ? parseBpmText(*text) : std::nullopt;
    }

    std::optional<QString> string(Slot& slot) {
        const auto text = takeText(slot);
        return text ? std::optional<QString>(exactText(*text)) : std::nullopt;
    }

    std::optional<QString> label(Slot& slot) {
        const auto text = takeText(slot);
        return text ? std::optional<QString>(shared(*text)) : std::nullopt;
    }

    std::optional<QStringList> labels(Slot& slot) {
        if (slot.type != od::json_type::array)
            return std::nullopt;
        slot.taken = true;
        od::array array;
        if (const error_code error = slot.value.get_array().get(array)) {
            fail(error);
            return std::nullopt;
        }
        // Gathered first, so the list is allocated once at its size.
        QVarLengthArray<QString, 16> items;
        bool allTexts = true;
        for (auto element : array) {
            od::value value;
            if (const error_code error = std::move(element).get(value)) {
                fail(error);
                return std::nullopt;
            }
            Slot item;
            if (!this->slot(value, item))
                return std::nullopt;
            if (const auto text = takeText(item))
                items.append(shared(*text));
            else
                allTexts = false;
            // Elements of another type spoil the list but must still be valid JSON.
            checkUntaken(item, 1);
            if (failed())
                return std::nullopt;
        }
        if (!allTexts)
            return std::nullopt;
        return QStringList(std::make_move_iterator(items.begin()),
                           std::make_move_iterator(items.end()));
    }

    // Reads and checks whatever no rule took, `depth` levels below the track or library.
    void checkUntaken(Slot& slot, int depth) {
        if (slot.taken || failed())
            return;
        slot.taken = true;
        switch (slot.type) {
        case od::json_type::object:
            checkObject(slot.value, depth);
            return;
        case od::json_type::array:
            checkArray(slot.value, depth);
            return;
        case od::json_type::string:
            takeText(slot);
            return;
        case od::json_type::number: {
            od::number number;
            if (const error_code error = slot.value.get_number().get(number))
                fail(error);
            return;
        }
        case od::json_type::boolean: {
            bool value = false;
            if (const error_code error = slot.value.get_bool().get(value))
                fail(error);
            return;
        }
        case od::json_type::null: {
            bool isNull = false;
            if (const error_code error = slot.value.is_null().get(isNull))
                fail(error);
            else if (!isNull)
                fail(simdjson::N_ATOM_ERROR);
            return;
        }
        }
        fail(simdjson::TAPE_ERROR);
    }

    void check(od::value value, int depth) {
        Slot item;
        if (slot(value, item))
            checkUntaken(item, depth);
    }

private:
    // The UTF-8 text of a string value, which it consumes: a view of the document's own bytes,
    // or of the parser's buffer when the text had escapes to undo. Both live as long as the
    // decode.
    std::optional<std::string_view> takeText(Slot& slot) {
        if (slot.type != od::json_type::string)
            return std::nullopt;
        slot.taken = true;
        // The token is the string with its quotes, and any blanks up to the next token.
        const std::string_view token = slot.value.raw_json_token();
        size_t end = token.size();
        while (end > 0 && isJsonBlank(token[end - 1]))
            --end;
        if (end < 2 || token.front() != '"' || token[end - 1] != '"') {
            fail(simdjson::STRING_ERROR);
            return std::nullopt;
        }
        const std::string_view raw = token.substr(1, end - 2);
        std::string_view text;
        if (std::memchr(raw.data(), '\\', raw.size()) == nullptr) {
            od::raw_json_string consumed;
            if (const error_code error = slot.value.get_raw_json_string().get(consumed)) {
                fail(error);
                return std::nullopt;
            }
            return raw;
        }
        if (const error_code error = slot.value.get_string().get(text)) {
            fail(error);
            return std::nullopt;
        }
        return text;
    }

    void checkObject(od::value value, int depth) {
        if (depth >= CatalogDocumentReader::maxDepth) {
            fail(simdjson::DEPTH_ERROR);
            return;
        }
        od::object object;
        if (const error_code error = value.get_object().get(object)) {
            fail(error);
            return;
        }
        for (auto member : object) {
            od::field field;
            std::string_view name;
            if (const error_code error = std::move(member).get(field)) {
                fail(error);
                return;
            }
            if (!key(field, name))
                return;
            check(field.value(), depth + 1);
            if (failed())
                return;
        }
    }

    void checkArray(od::value value, int depth) {
        if (depth >= CatalogDocumentReader::maxDepth) {
            fail(simdjson::DEPTH_ERROR);
            return;
        }
        od::array array;
        if (const error_code error = value.get_array().get(array)) {
            fail(error);
            return;
        }
        for (auto element : array) {
            od::value item;
            if (const error_code error = std::move(element).get(item)) {
                fail(error);
                return;
            }
            check(item, depth + 1);
            if (failed())
                return;
        }
    }

    // Longer texts are rarely repeated; hashing them would cost more than it saves.
    static constexpr size_t maxSharedBytes = 64;

    QString shared(std::string_view text) {
        if (text.size() > maxSharedBytes)
            return exactText(text);
        return m_texts.get(text, [this](std::string_view key) { return exactText(key); });
    }

    // The text in a string of exactly its size. Qt would reserve one UTF-16 unit per byte, up to
    // three times what accented or Japanese text needs, and the records would keep that slack
    // for the whole run.
    QString exactText(std::string_view text) {
        const qsizetype units = utf16Length(text);
        if (units == qsizetype(text.size()))
            return QString::fromLatin1(text.data(), units);
        QString result(units, Qt::Uninitialized);
        const QChar* end = m_utf8.appendToBuffer(
            result.data(), QByteArrayView(text.data(), qsizetype(text.size())));
        result.resize(end - result.constData());
        return result;
    }

    error_code m_error = simdjson::SUCCESS;
    TextTable m_texts;
    // Each text is whole, and reads as QString::fromUtf8 (and Qt's JSON parser) read it: a
    // byte-order mark that opens a text is dropped.
    QStringDecoder m_utf8{QStringDecoder::Utf8, QStringConverter::Flag::Stateless};
};

// Reads the document's members in order. A repeated "tracks" or "tagLibrary" counts by its last
// occurrence, as with Qt's parser, so what an earlier one holds only has to be valid JSON.
class CatalogDecode {
public:
    Decoded<SyncCatalog> run(const char* data, size_t size, size_t capacity) {
        m_size = size;
        od::parser parser;
        od::document document;
        if (const error_code error = parser.iterate(data, size, capacity).get(document))
            return failure(error);
        od::object root;
        if (const error_code error = document.get_object().get(root)) {
            return error == simdjson::INCORRECT_TYPE
                       ? Result::failure(QStringLiteral("catalogue is not an object"))
                       : failure(error);
        }
        for (auto member : root) {
            od::field field;
            std::string_view name;
            if (const error_code error = std::move(member).get(field))
                return failure(error);
            if (!m_reader.key(field, name))
                break;
            if (name == "tracks")
                m_tracks = readTracks(field.value());
            else if (name == "tagLibrary")
                m_tagLibrary = readTagLibrary(field.value());
            else
                m_reader.check(field.value(), 1);
            if (m_reader.failed())
                break;
        }
        if (m_reader.failed())
            return failure(m_reader.error());
        // Past the last token the parser reports the position as out of bounds.
        if (document.current_location().error() != simdjson::OUT_OF_BOUNDS)
            return Result::failure(QStringLiteral("content after the catalogue"));
        return finish();
    }

private:
    using Result = Decoded<SyncCatalog>;
    using Tracks = Decoded<QList<Track>>;
    using Library = Decoded<std::optional<TagLibrary>>;

    static Result failure(error_code error) {
        return Result::failure(QString::fromUtf8(simdjson::error_message(error)));
    }

    Result finish() {
        if (!m_tracks)
            return Result::failure(QStringLiteral("catalogue without a \"tracks\" array"));
        if (!*m_tracks)
            return Result::failure(m_tracks->error());
        SyncCatalog catalog;
        catalog.tracks = std::move(*m_tracks).value();
        if (m_tagLibrary) {
            if (!*m_tagLibrary)
                return Result::failure(m_tagLibrary->error());
            catalog.tagLibrary = std::move(*m_tagLibrary).value();
        }
        return Result::success(std::move(catalog));
    }

    Tracks readTracks(od::value value) {
        Slot slot;
        if (!m_reader.slot(value, slot))
            return Tracks();
        if (slot.type != od::json_type::array) {
            m_reader.checkUntaken(slot, 1);
            return Tracks::failure(QStringLiteral("catalogue without a \"tracks\" array"));
        }
        od::array array;
        size_t count = 0;
        if (const error_code error = slot.value.get_array().get(array))
            return m_reader.fail(error), Tracks();
        if (const error_code error = array.count_elements().get(count))
            return m_reader.fail(error), Tracks();
        QList<Track> tracks;
        // Growing the list would move every record built so far, twice over. A count no
        // document of this size can hold in valid tracks reserves nothing: the decode fails.
        if (count <= m_size / minimalTrackBytes)
            tracks.reserve(qsizetype(count));
        std::optional<QString> failure;
        for (auto element : array) {
            od::value item;
            if (const error_code error = std::move(element).get(item))
                return m_reader.fail(error), Tracks();
            if (failure) {
                m_reader.check(item, 2);
            } else if (auto invalid = readTrack(item, tracks)) {
                failure = QStringLiteral("tracks[%1]: %2").arg(tracks.size()).arg(*invalid);
                tracks = {};
            }
            if (m_reader.failed())
                return Tracks();
        }
        return failure ? Tracks::failure(*failure) : Tracks::success(std::move(tracks));
    }

    // Appends the track to `tracks`; why it is not a valid track, if it is not one. Syntax
    // errors are the reader's.
    std::optional<QString> readTrack(od::value value, QList<Track>& tracks) {
        Slot slot;
        if (!m_reader.slot(value, slot))
            return std::nullopt;
        if (slot.type != od::json_type::object) {
            m_reader.checkUntaken(slot, 2);
            return QStringLiteral("track is not an object");
        }
        od::object object;
        if (const error_code error = slot.value.get_object().get(object))
            return m_reader.fail(error), std::nullopt;
        TrackFields::Draft draft;
        size_t nextField = 0;
        for (auto member : object) {
            od::field field;
            std::string_view name;
            if (const error_code error = std::move(member).get(field))
                return m_reader.fail(error), std::nullopt;
            Slot fieldValue;
            if (!m_reader.key(field, name) || !m_reader.slot(field.value(), fieldValue))
                return std::nullopt;
            if (const auto which = TrackFields::fieldForKey(name, nextField)) {
                TrackFields::read(m_reader, draft, *which, fieldValue);
                nextField = size_t(*which) + 1;
            }
            m_reader.checkUntaken(fieldValue, 3);
            if (m_reader.failed())
                return std::nullopt;
        }
        if (draft.hasId && draft.hasTitle && draft.hasArtist) {
            tracks.append(std::move(draft.track));
            return std::nullopt;
        }
        return TrackFields::finish(std::move(draft)).error();
    }

    Library readTagLibrary(od::value value) {
        Slot slot;
        if (!m_reader.slot(value, slot))
            return Library();
        if (slot.type == od::json_type::null) {
            m_reader.checkUntaken(slot, 1);
            return Library::success(std::nullopt);
        }
        if (slot.type != od::json_type::object) {
            m_reader.checkUntaken(slot, 1);
            return Library::failure(QStringLiteral("tagLibrary is not an object"));
        }
        static const std::pair<std::string_view, std::optional<QStringList> TagLibrary::*>
            fields[] = {
                {"moods", &TagLibrary::moods},
                {"genres", &TagLibrary::genres},
                {"instruments", &TagLibrary::instruments},
                {"themes", &TagLibrary::themes},
                {"tempos", &TagLibrary::tempos},
            };
        od::object object;
        if (const error_code error = slot.value.get_object().get(object))
            return m_reader.fail(error), Library();
        TagLibrary library;
        std::optional<QString> failure;
        // Every member is visited so that a repeated key counts by its last occurrence.
        for (auto member : object) {
            od::field field;
            std::string_view name;
            Slot list;
            if (const error_code error = std::move(member).get(field))
                return m_reader.fail(error), Library();
            if (!m_reader.key(field, name) || !m_reader.slot(field.value(), list))
                return Library();
            const auto known = std::find_if(std::begin(fields), std::end(fields),
                                            [&](const auto& f) { return f.first == name; });
            if (known != std::end(fields) && !failure) {
                if (list.type == od::json_type::null) {
                    library.*known->second = std::nullopt;
                } else if (auto strings = m_reader.labels(list)) {
                    library.*known->second = std::move(*strings);
                } else {
                    failure = QStringLiteral("tagLibrary.%1 is not a list of strings")
                                  .arg(fromUtf8(name));
                }
            }
            m_reader.checkUntaken(list, 2);
            if (m_reader.failed())
                return Library();
        }
        return failure ? Library::failure(*failure) : Library::success(std::move(library));
    }

    // {"id":0,"title":"","artist":""}
    static constexpr size_t minimalTrackBytes = 31;

    size_t m_size = 0;
    ValueReader m_reader;
    std::optional<Tracks> m_tracks;
    std::optional<Library> m_tagLibrary;
};

} // namespace

const std::size_t CatalogDocumentReader::padding = simdjson::SIMDJSON_PADDING;

Decoded<SyncCatalog> CatalogDocumentReader::read(const QByteArray& bytes) {
    // The parser reads a little past the end of the document (never interpreting what it finds
    // there beyond the terminating zero QByteArray always keeps after the data). A buffer made
    // with room for that is read where it lies; any other is copied once.
    if (bytes.capacity() - bytes.size() >= qsizetype(padding))
        return CatalogDecode().run(bytes.constData(), size_t(bytes.size()),
                                   size_t(bytes.capacity()));
    QByteArray padded;
    padded.reserve(bytes.size() + qsizetype(padding));
    padded.append(bytes);
    return CatalogDecode().run(padded.constData(), size_t(padded.size()),
                               size_t(padded.capacity()));
}

} // namespace aru
