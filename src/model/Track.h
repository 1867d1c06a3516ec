#pragma once

#include "Expected.h"

#include <QJsonObject>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QtQmlIntegration>
#include <optional>

namespace aru {

using TrackId = qint64;

// One catalogue track: an immutable value, identified by `id`. Optional fields are absent when
// the server left them out or sent something unusable; an empty list differs from an absent one.
class Track {
    Q_GADGET
    QML_VALUE_TYPE(track)
    // QML reads absent texts and lists as empty, absent numbers as undefined.
    Q_PROPERTY(qint64 id MEMBER id CONSTANT)
    Q_PROPERTY(QString title MEMBER title CONSTANT)
    Q_PROPERTY(QString artist MEMBER artist CONSTANT)
    Q_PROPERTY(QString genre READ genreText CONSTANT)
    Q_PROPERTY(QStringList mood READ moodList CONSTANT)
    Q_PROPERTY(QString tempo READ tempoText CONSTANT)
    Q_PROPERTY(QString duration READ durationText CONSTANT)
    Q_PROPERTY(QString audioFile MEMBER audioFile CONSTANT)
    Q_PROPERTY(QString coverArt READ coverArtText CONSTANT)
    // The cover's absolute address (empty when there is none), for "image://covers/" sources.
    Q_PROPERTY(QString coverArtURL READ coverArtURLText CONSTANT)
    Q_PROPERTY(QString downloadFile READ downloadFileText CONSTANT)
    Q_PROPERTY(QString album READ albumText CONSTANT)
    Q_PROPERTY(QVariant year READ yearValue CONSTANT)
    Q_PROPERTY(QString isrc READ isrcText CONSTANT)
    Q_PROPERTY(QString key READ keyText CONSTANT)
    Q_PROPERTY(QVariant bpm READ bpmValue CONSTANT)
    Q_PROPERTY(QString vocal READ vocalText CONSTANT)
    Q_PROPERTY(QStringList instruments READ instrumentList CONSTANT)
    Q_PROPERTY(QStringList themes READ themeList CONSTANT)
    Q_PROPERTY(QString description READ descriptionText CONSTANT)
    Q_PROPERTY(QString description_fr READ descriptionFrText CONSTANT)
    Q_PROPERTY(QString description_ja READ descriptionJaText CONSTANT)
    Q_PROPERTY(QStringList artists READ artistList CONSTANT)

public:
    TrackId id = 0;
    QString title;
    QString artist;
    std::optional<QString> genre;
    std::optional<QStringList> mood;
    std::optional<QString> tempo;
    std::optional<QString> duration;
    QString audioFile;
    std::optional<QString> coverArt;
    std::optional<QString> downloadFile;
    std::optional<QString> album;
    std::optional<qint64> year;
    std::optional<QString> isrc;
    std::optional<QString> key;
    std::optional<qint64> bpm;
    std::optional<QString> vocal;
    std::optional<QStringList> instruments;
    std::optional<QStringList> themes;
    std::optional<QString> description;
    std::optional<QString> description_fr;
    std::optional<QString> description_ja;
    std::optional<QStringList> artists;

    // Strict on id, title and artist; every other field falls back to absent (audioFile to "").
    static Decoded<Track> fromJson(const QJsonObject& object);
    // The JSON object with the 22 keys; absent fields are left out.
    QJsonObject toJson() const;

    // Preview stream: absolute "http…" addresses as they are, paths resolved on the catalogue
    // server with "/api/audio/" turned into "/api/audio-stream/". Invalid when the text does not
    // parse.
    QUrl streamingURL() const;
    // The cover's absolute address, or an invalid URL when there is none.
    QUrl coverArtURL() const;
    // Full-quality WAV: "/api/audio/" turned into "/api/download/", resolved on the catalogue
    // server, with `email` and `token` appended to any query items already present when, and
    // only when, the address is the catalogue server's own. Invalid when there is no download
    // file.
    QUrl downloadURL(const QString& email, const QString& token) const;
    // The same rule for any file address of the catalogue server (a track's audioFile, say).
    static QUrl fileDownloadURL(const QString& fileAddress, const QString& email,
                                const QString& token);
    // The WAV's name on disk: "<title> - <artist>[ - <isrc>].wav" without control characters,
    // or "track.wav".
    QString suggestedFilename() const;
    // The name offered when the file is dragged out, without extension, or "track".
    static QString niceFilename(const Track& track);

    friend bool operator==(const Track&, const Track&) = default;

private:
    QString genreText() const { return genre.value_or(QString()); }
    QStringList moodList() const { return mood.value_or(QStringList()); }
    QString tempoText() const { return tempo.value_or(QString()); }
    QString durationText() const { return duration.value_or(QString()); }
    QString coverArtText() const { return coverArt.value_or(QString()); }
    QString coverArtURLText() const { return coverArtURL().toString(); }
    QString downloadFileText() const { return downloadFile.value_or(QString()); }
    QString albumText() const { return album.value_or(QString()); }
    QVariant yearValue() const { return year ? QVariant(*year) : QVariant(); }
    QString isrcText() const { return isrc.value_or(QString()); }
    QString keyText() const { return key.value_or(QString()); }
    QVariant bpmValue() const { return bpm ? QVariant(*bpm) : QVariant(); }
    QString vocalText() const { return vocal.value_or(QString()); }
    QStringList instrumentList() const { return instruments.value_or(QStringList()); }
    QStringList themeList() const { return themes.value_or(QStringList()); }
    QString descriptionText() const { return description.value_or(QString()); }
    QString descriptionFrText() const { return description_fr.value_or(QString()); }
    QString descriptionJaText() const { return description_ja.value_or(QString()); }
    QStringList artistList() const { return artists.value_or(QStringList()); }
};

size_t qHash(const Track& track, size_t seed = 0) noexcept;

// The `bpm` text rule: an optional sign and ASCII digits only, within the 64-bit range.
std::optional<qint64> parseBpmText(QStringView text);
std::optional<qint64> parseBpmText(std::string_view utf8);

} // namespace aru

Q_DECLARE_TYPEINFO(aru::Track, Q_RELOCATABLE_TYPE);
// Every member is a value Qt may move by copying its bytes (numbers, QString, QStringList and
// std::optional of them hold no pointer into themselves), so a list of 100,000 tracks grows and
// shrinks without moving each one.
Q_DECLARE_METATYPE(aru::Track)
