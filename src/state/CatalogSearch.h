#pragma once

#include "CatalogSearchIndex.h"
#include "Track.h"
#include "TrackListModel.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <QtQmlIntegration>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace aru {

class Cancellation;
class Catalog;

// What the user looks for in the catalogue — the search text, the four filters and the tags the
// text stands for — and what it finds: the filtered tracks and, when nothing matches directly,
// ranked suggestions. A text the local vocabulary does not know is sent to the server for
// interpretation after a pause in typing.
class CatalogSearch : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The search is AppState.search")

    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    // The four filters read as undefined in QML when none is chosen.
    Q_PROPERTY(QVariant selectedMood READ selectedMoodValue WRITE setSelectedMoodValue NOTIFY
                   selectedMoodChanged)
    Q_PROPERTY(QVariant selectedGenre READ selectedGenreValue WRITE setSelectedGenreValue NOTIFY
                   selectedGenreChanged)
    Q_PROPERTY(QVariant selectedTempo READ selectedTempoValue WRITE setSelectedTempoValue NOTIFY
                   selectedTempoChanged)
    Q_PROPERTY(QVariant selectedVocal READ selectedVocalValue WRITE setSelectedVocalValue NOTIFY
                   selectedVocalChanged)
    Q_PROPERTY(QStringList aiTags READ aiTags NOTIFY aiTagsChanged)
    Q_PROPERTY(bool aiSearching READ aiSearching NOTIFY aiSearchingChanged)
    Q_PROPERTY(QStringList semanticTags READ semanticTags NOTIFY semanticTagsChanged)
    Q_PROPERTY(QStringList allSemanticTags READ allSemanticTags NOTIFY allSemanticTagsChanged)
    Q_PROPERTY(bool hasActiveSearch READ hasActiveSearch NOTIFY hasActiveSearchChanged)
    // The two result lists are models that update in place, so views bind to them and never
    // recompute.
    Q_PROPERTY(aru::TrackListModel* filteredTracks READ filteredTracksModel CONSTANT)
    Q_PROPERTY(aru::TrackListModel* suggestedTracks READ suggestedTracksModel CONSTANT)

public:
    using InterpretSearch = std::function<QCoro::Task<std::optional<QStringList>>(
        QString query, QStringList availableTags, QPointer<Cancellation> cancellation)>;
    // The pause in typing after which the server is asked to interpret the text.
    static constexpr std::chrono::milliseconds defaultInterpretationDebounce{600};

    explicit CatalogSearch(const Catalog& catalog, QObject* parent = nullptr);
    ~CatalogSearch() override;

    QString searchText() const { return m_searchText; }
    void setSearchText(const QString& text);
    const std::optional<QString>& selectedMood() const { return m_selectedMood; }
    void setSelectedMood(const std::optional<QString>& mood);
    const std::optional<QString>& selectedGenre() const { return m_selectedGenre; }
    void setSelectedGenre(const std::optional<QString>& genre);
    const std::optional<QString>& selectedTempo() const { return m_selectedTempo; }
    void setSelectedTempo(const std::optional<QString>& tempo);
    const std::optional<QString>& selectedVocal() const { return m_selectedVocal; }
    void setSelectedVocal(const std::optional<QString>& vocal);
    QStringList aiTags() const { return m_aiTags; }
    bool aiSearching() const { return m_aiSearching; }

    // The vocabulary's tags for the search text.
    QStringList semanticTags() const;
    // semanticTags, or the server's tags when the vocabulary knows nothing of the text.
    QStringList allSemanticTags() const;
    // Search text (white space included) or any filter set.
    bool hasActiveSearch() const;
    // The catalogue narrowed by the search text and the filters, in catalogue order. Always
    // current, even before the models have caught up with a change.
    QList<Track> filteredTracks() const;
    // At most 20 tracks ranked by how well they match; equal scores keep catalogue order.
    QList<Track> suggestedTracks() const;
    // The same lists for views; they follow changes on the next turn of the event loop, so a
    // burst of changes costs one update.
    TrackListModel* filteredTracksModel() const { return m_filteredModel; }
    TrackListModel* suggestedTracksModel() const { return m_suggestedModel; }

    // Called whenever the search text changes: drops any pending interpretation, and when the
    // vocabulary knows nothing of the text asks the server after a pause in typing.
    Q_INVOKABLE void refreshAISearch();
    // Every distinct mood, genre, tempo, theme and instrument of the tracks, in first-seen order,
    // without the empty text.
    static QStringList collectAvailableTags(const QList<Track>& tracks);

    // Replace the server call and the pause before it (tests).
    void setInterpretSearch(InterpretSearch interpret);
    void setInterpretationDebounce(std::chrono::milliseconds pause) { m_debounce = pause; }

signals:
    void searchTextChanged();
    void selectedMoodChanged();
    void selectedGenreChanged();
    void selectedTempoChanged();
    void selectedVocalChanged();
    void aiTagsChanged();
    void aiSearchingChanged();
    void semanticTagsChanged();
    void allSemanticTagsChanged();
    void hasActiveSearchChanged();

private:
    void setAiTags(const QStringList& tags);
    void setAiSearching(bool searching);
    QVariant selectedMoodValue() const;
    void setSelectedMoodValue(const QVariant& value);
    QVariant selectedGenreValue() const;
    void setSelectedGenreValue(const QVariant& value);
    QVariant selectedTempoValue() const;
    void setSelectedTempoValue(const QVariant& value);
    QVariant selectedVocalValue() const;
    void setSelectedVocalValue(const QVariant& value);

    void searchTextOrTagsChanged();
    void filtersChanged();
    void schedulePublish();
    void publish();
    CatalogSearchIndex::Query currentQuery() const;
    const CatalogSearchIndex::Result& result() const;
    QList<Track> tracksAt(const QList<int>& rows) const;
    const QStringList& availableTags();
    QCoro::Task<> interpretAfterPause(QString query, quint64 generation);

    const Catalog& m_catalog;
    QString m_searchText;
    std::optional<QString> m_selectedMood;
    std::optional<QString> m_selectedGenre;
    std::optional<QString> m_selectedTempo;
    std::optional<QString> m_selectedVocal;
    QStringList m_aiTags;
    bool m_aiSearching = false;

    // The index of m_indexedTracks: the one the load made with them, or else built here on
    // first use after the catalogue changes. The result is kept for the query it answers.
    mutable QList<Track> m_indexedTracks;
    mutable std::shared_ptr<const CatalogSearchIndex> m_index;
    mutable std::optional<CatalogSearchIndex::Query> m_resultQuery;
    mutable CatalogSearchIndex::Result m_result;
    bool m_publishPending = false;
    TrackListModel* m_filteredModel;
    TrackListModel* m_suggestedModel;
    // What observers were last told, so they hear only of real changes.
    QStringList m_notifiedSemanticTags;
    QStringList m_notifiedAllSemanticTags;
    bool m_notifiedHasActiveSearch = false;
    QList<Track> m_availableTagsTracks;
    QStringList m_availableTags;

    InterpretSearch m_interpretSearch;
    std::chrono::milliseconds m_debounce = defaultInterpretationDebounce;
    // Bumped by every refreshAISearch(), so a superseded task knows it must not write.
    quint64 m_aiSearchGeneration = 0;
    QPointer<Cancellation> m_aiSearchCancellation;
};

} // namespace aru
