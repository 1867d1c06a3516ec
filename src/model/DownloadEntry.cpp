#include "DownloadEntry.h"

#include "JsonFields.h"

#include <QHashFunctions>
#include <QJsonArray>
#include <QJsonDocument>

namespace aru {

namespace {

// A history holds at most a few hundred short rows; anything far larger is not ours.
constexpr qsizetype maxStoredBytes = 16 * 1024 * 1024;

} // namespace

Decoded<DownloadEntry> DownloadEntry::fromJson(const QJsonObject& object) {
    const auto id = JsonFields::integer(object.value(QLatin1String("id")));
    auto title = JsonFields::string(object.value(QLatin1String("title")));
    auto artist = JsonFields::string(object.value(QLatin1String("artist")));
    auto date = JsonFields::string(object.value(QLatin1String("date")));
    if (!id || !title || !artist || !date)
        return Decoded<DownloadEntry>::failure(
            QStringLiteral("download entry needs an integer id and string title, artist, date"));
    return Decoded<DownloadEntry>::success(
        DownloadEntry{*id, std::move(*title), std::move(*artist), std::move(*date)});
}

QJsonObject DownloadEntry::toJson() const {
    return QJsonObject{{QLatin1String("id"), id},
                       {QLatin1String("title"), title},
                       {QLatin1String("artist"), artist},
                       {QLatin1String("date"), date}};
}

Decoded<QList<DownloadEntry>> DownloadEntry::listFromJson(const QByteArray& bytes) {
    using Result = Decoded<QList<DownloadEntry>>;
    if (bytes.size() > maxStoredBytes)
        return Result::failure(QStringLiteral("download history too large"));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return Result::failure(error.errorString());
    if (!document.isArray())
        return Result::failure(QStringLiteral("download history is not an array"));
    QList<DownloadEntry> entries;
    const QJsonArray array = document.array();
    entries.reserve(array.size());
    for (const QJsonValue& value : array) {
        if (!value.isObject())
            return Result::failure(QStringLiteral("download entry is not an object"));
        auto entry = fromJson(value.toObject());
        if (!entry)
            return Result::failure(entry.error());
        entries.append(std::move(entry).value());
    }
    return Result::success(std::move(entries));
}

QByteArray DownloadEntry::listToJson(const QList<DownloadEntry>& entries) {
    QJsonArray array;
    for (const DownloadEntry& entry : entries)
        array.append(entry.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

size_t qHash(const DownloadEntry& entry, size_t seed) noexcept {
    return qHashMulti(seed, entry.id, entry.title, entry.artist, entry.date);
}

} // namespace aru
