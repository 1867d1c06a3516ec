#include "TrackInfoCells.h"

#include "L10n.h"

namespace aru::TrackInfoCells {

namespace {

const QString listSeparator = QStringLiteral(", ");

bool isPresent(const std::optional<QString>& text) {
    return text && !text->isEmpty();
}
bool isPresent(const std::optional<QStringList>& list) {
    return list && !list->isEmpty();
}

} // namespace

QList<Cell> cells(const Track& track, AppLanguage language) {
    QList<Cell> cells;
    const auto label = [language](const char16_t* key) { return L10n::t(key, language); };
    const auto tag = [language](const QString& word) { return L10n::translateTag(word, language); };

    if (isPresent(track.isrc))
        cells.append({label(u"track.isrc"), *track.isrc});
    if (isPresent(track.album))
        cells.append({label(u"track.album"), *track.album});
    if (track.year)
        cells.append({label(u"track.year"), QString::number(*track.year)});
    if (track.bpm)
        cells.append({label(u"track.bpm"), QString::number(*track.bpm)});
    if (isPresent(track.key))
        cells.append({label(u"track.key"), *track.key});
    if (isPresent(track.duration))
        cells.append({label(u"track.duration"), *track.duration});
    if (isPresent(track.genre))
        cells.append({label(u"filter.genre"), tag(*track.genre)});
    if (isPresent(track.tempo))
        cells.append({label(u"filter.tempo"), tag(*track.tempo)});
    if (isPresent(track.vocal))
        cells.append({label(u"filter.vocal"), tag(*track.vocal)});
    if (isPresent(track.mood)) {
        QStringList moods;
        for (const QString& mood : *track.mood)
            moods.append(tag(mood));
        cells.append({label(u"filter.mood"), moods.join(listSeparator)});
    }
    // These two labels are the same in every language.
    if (isPresent(track.themes))
        cells.append({QStringLiteral("Themes"), track.themes->join(listSeparator)});
    if (isPresent(track.instruments))
        cells.append({QStringLiteral("Instruments"), track.instruments->join(listSeparator)});
    return cells;
}

} // namespace aru::TrackInfoCells
