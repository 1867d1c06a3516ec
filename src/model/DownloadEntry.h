#pragma once

#include "Expected.h"
#include "Track.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace aru {

// One row of the download history, as stored in the settings.
struct DownloadEntry {
    Q_GADGET
    Q_PROPERTY(qint64 id MEMBER id CONSTANT)
    Q_PROPERTY(QString title MEMBER title CONSTANT)
    Q_PROPERTY(QString artist MEMBER artist CONSTANT)
    Q_PROPERTY(QString date MEMBER date CONSTANT)

public:
    TrackId id = 0;
    QString title;
    QString artist;
    QString date; // ISO 8601, UTC

    // Strict: every key present with the right type.
    static Decoded<DownloadEntry> fromJson(const QJsonObject& object);
    QJsonObject toJson() const;

    // The stored form of a history: a JSON array of entries. One bad entry rejects the list.
    static Decoded<QList<DownloadEntry>> listFromJson(const QByteArray& bytes);
    static QByteArray listToJson(const QList<DownloadEntry>& entries);

    friend bool operator==(const DownloadEntry&, const DownloadEntry&) = default;
};

size_t qHash(const DownloadEntry& entry, size_t seed = 0) noexcept;

} // namespace aru
