#pragma once

#include "Expected.h"

#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <optional>

namespace aru {

// The catalogue's vocabulary for the filter menus and the image search.
struct TagLibrary {
    Q_GADGET
    // QML reads absent lists as empty.
    Q_PROPERTY(QStringList moods READ moodList CONSTANT)
    Q_PROPERTY(QStringList genres READ genreList CONSTANT)
    Q_PROPERTY(QStringList instruments READ instrumentList CONSTANT)
    Q_PROPERTY(QStringList themes READ themeList CONSTANT)
    Q_PROPERTY(QStringList tempos READ tempoList CONSTANT)

public:
    std::optional<QStringList> moods;
    std::optional<QStringList> genres;
    std::optional<QStringList> instruments;
    std::optional<QStringList> themes;
    std::optional<QStringList> tempos;

    // Strict: each key missing, null or an array of strings, otherwise the whole library fails.
    static Decoded<TagLibrary> fromJson(const QJsonObject& object);
    QJsonObject toJson() const;

    friend bool operator==(const TagLibrary&, const TagLibrary&) = default;

private:
    QStringList moodList() const { return moods.value_or(QStringList()); }
    QStringList genreList() const { return genres.value_or(QStringList()); }
    QStringList instrumentList() const { return instruments.value_or(QStringList()); }
    QStringList themeList() const { return themes.value_or(QStringList()); }
    QStringList tempoList() const { return tempos.value_or(QStringList()); }
};

} // namespace aru
