// Search: the filtered list and the suggestions that follow the search inputs, and the server's
// interpretation of a text the vocabulary does not know.
#include "APIClient.h"
#include "AppState.h"
#include "SemanticSearch.h"

#include <QCoroTimer>
#include <QSet>

namespace aru {

void AppState::connectSearch() {
    m_interpretSearch = &APIClient::interpretSearch;
    m_filteredModel = new TrackListModel(this);
    m_suggestedModel = new TrackListModel(this);
    connect(this, &AppState::tracksChanged, this, &AppState::schedulePublishSearch);
    connect(this, &AppState::searchTextChanged, this, &AppState::searchTextOrTagsChanged);
    connect(this, &AppState::aiTagsChanged, this, &AppState::searchTextOrTagsChanged);
    connect(this, &AppState::selectedMoodChanged, this, &AppState::filtersChanged);
    connect(this, &AppState::selectedGenreChanged, this, &AppState::filtersChanged);
    connect(this, &AppState::selectedTempoChanged, this, &AppState::filtersChanged);
    connect(this, &AppState::selectedVocalChanged, this, &AppState::filtersChanged);
}

void AppState::setInterpretSearch(InterpretSearch interpret) {
    m_interpretSearch = std::move(interpret);
}

QStringList AppState::semanticTags() const {
    return SemanticSearch::tags(m_searchText);
}

QStringList AppState::allSemanticTags() const {
    QStringList tags = semanticTags();
    return tags.isEmpty() ? m_aiTags : tags;
}

bool AppState::hasActiveSearch() const {
    return !m_searchText.isEmpty() || m_selectedMood || m_selectedGenre || m_selectedTempo ||
           m_selectedVocal;
}

void AppState::searchTextOrTagsChanged() {
    const QStringList semantic = semanticTags();
    const QStringList all = semantic.isEmpty() ? m_aiTags : semantic;
    if (semantic != m_notifiedSemanticTags) {
        m_notifiedSemanticTags = semantic;
        emit semanticTagsChanged();
    }
    if (all != m_notifiedAllSemanticTags) {
        m_notifiedAllSemanticTags = all;
        emit allSemanticTagsChanged();
    }
    filtersChanged();
}

void AppState::filtersChanged() {
    if (hasActiveSearch() != m_notifiedHasActiveSearch) {
        m_notifiedHasActiveSearch = !m_notifiedHasActiveSearch;
        emit hasActiveSearchChanged();
    }
    schedulePublishSearch();
}

void AppState::schedulePublishSearch() {
    if (m_publishPending)
        return;
    m_publishPending = true;
    QMetaObject::invokeMethod(this, &AppState::publishSearch, Qt::QueuedConnection);
}

void AppState::publishSearch() {
    m_publishPending = false;
    const CatalogSearchIndex::Result& result = searchResult();
    m_filteredModel->setRows(m_indexedTracks, result.filtered);
    m_suggestedModel->setRows(m_indexedTracks, result.suggested);
}

CatalogSearchIndex::Query AppState::currentSearchQuery() const {
    CatalogSearchIndex::Query query{m_searchText,    m_selectedMood,  m_selectedGenre,
                                    m_selectedTempo, m_selectedVocal, {}};
    // Tags only count when the text does not match directly, so there are none to look up
    // without a text.
    if (!m_searchText.isEmpty())
        query.tags = allSemanticTags();
    return query;
}

const CatalogSearchIndex::Result& AppState::searchResult() const {
    if (!m_searchIndex || !m_indexedTracks.isSharedWith(m_tracks)) {
        m_indexedTracks = m_tracks;
        m_searchIndex.emplace(m_indexedTracks);
        m_resultQuery.reset();
    }
    CatalogSearchIndex::Query query = currentSearchQuery();
    if (m_resultQuery != query) {
        m_searchResult = m_searchIndex->search(query);
        m_resultQuery = std::move(query);
    }
    return m_searchResult;
}

QList<Track> AppState::tracksAt(const QList<int>& rows) const {
    QList<Track> tracks;
    tracks.reserve(rows.size());
    for (const int row : rows)
        tracks.append(m_indexedTracks[row]);
    return tracks;
}

QList<Track> AppState::filteredTracks() const {
    return tracksAt(searchResult().filtered);
}

QList<Track> AppState::suggestedTracks() const {
    return tracksAt(searchResult().suggested);
}

QStringList AppState::collectAvailableTags(const QList<Track>& tracks) {
    QStringList tags;
    QSet<QString> seen;
    const auto add = [&](const QString& tag) {
        if (!tag.isEmpty() && !seen.contains(tag)) {
            seen.insert(tag);
            tags.append(tag);
        }
    };
    const auto addAll = [&](const std::optional<QStringList>& list) {
        if (list) {
            for (const QString& tag : *list)
                add(tag);
        }
    };
    for (const Track& track : tracks) {
        addAll(track.mood);
        add(track.genre.value_or(QString()));
        add(track.tempo.value_or(QString()));
        addAll(track.themes);
        addAll(track.instruments);
    }
    return tags;
}

const QStringList& AppState::availableTags() {
    // Collected once per catalogue: a large one takes long enough to be felt.
    if (!m_availableTagsTracks.isSharedWith(m_tracks) || m_availableTagsTracks.isEmpty()) {
        m_availableTagsTracks = m_tracks;
        m_availableTags = collectAvailableTags(m_tracks);
    }
    return m_availableTags;
}

void AppState::refreshAISearch() {
    ++m_aiSearchGeneration;
    if (m_aiSearchCancellation)
        m_aiSearchCancellation->cancel();

    const QString query = m_searchText.trimmed();
    if (!query.isEmpty() && SemanticSearch::tags(query).isEmpty()) {
        setAiSearching(true);
        // Runs on by itself; the next call supersedes it.
        interpretAfterPause(query, m_aiSearchGeneration);
        return;
    }
    setAiTags({});
    setAiSearching(false);
}

QCoro::Task<> AppState::interpretAfterPause(QString query, quint64 generation) {
    // The state may be gone whenever this task resumes: it only reaches it through `self`.
    const QPointer<AppState> self(this);
    Cancellation cancellation;
    m_aiSearchCancellation = &cancellation;
    // Closing the state aborts the exchange too.
    connect(this, &QObject::destroyed, &cancellation, &Cancellation::cancel);
    const auto superseded = [&] {
        return !self || cancellation.isCancelled() || self->m_aiSearchGeneration != generation;
    };

    co_await QCoro::sleepFor(aiSearchDebounce);
    if (superseded())
        co_return;
    const InterpretSearch interpret = self->m_interpretSearch;
    const std::optional<QStringList> tags =
        co_await interpret(query, self->availableTags(), &cancellation);
    if (superseded())
        co_return;
    self->setAiTags(tags.value_or(QStringList()));
    self->setAiSearching(false);
}

} // namespace aru
