// Search: the filtered list and the suggestions that follow the search inputs, and the server's
// interpretation of a text the vocabulary does not know.
#include "CatalogSearch.h"

#include "APIClient.h"
#include "BackgroundRelease.h"
#include "Cancellation.h"
#include "Catalog.h"
#include "ChangeNotification.h"
#include "SemanticSearch.h"

#include <QCoroTimer>
#include <QSet>

namespace aru {

namespace {

QVariant optionalText(const std::optional<QString>& value) {
    return value ? QVariant(*value) : QVariant();
}

// QML clears a filter with undefined or null; any other value is taken as its text.
std::optional<QString> optionalText(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    return value.toString();
}

} // namespace

CatalogSearch::CatalogSearch(const Catalog& catalog, QObject* parent)
    : QObject(parent)
    , m_catalog(catalog)
    , m_filteredModel(new TrackListModel(this))
    , m_suggestedModel(new TrackListModel(this))
    , m_interpretSearch(&APIClient::interpretSearch) {
    connect(&catalog, &Catalog::tracksChanged, this, &CatalogSearch::schedulePublish);
    connect(this, &CatalogSearch::searchTextChanged, this, &CatalogSearch::searchTextOrTagsChanged);
    connect(this, &CatalogSearch::aiTagsChanged, this, &CatalogSearch::searchTextOrTagsChanged);
    for (const auto changed :
         {&CatalogSearch::selectedMoodChanged, &CatalogSearch::selectedGenreChanged,
          &CatalogSearch::selectedTempoChanged, &CatalogSearch::selectedVocalChanged})
        connect(this, changed, this, &CatalogSearch::filtersChanged);
    schedulePublish();
}

CatalogSearch::~CatalogSearch() = default;

void CatalogSearch::setSearchText(const QString& text) {
    assignAndNotify(this, m_searchText, text, &CatalogSearch::searchTextChanged);
}

void CatalogSearch::setSelectedMood(const std::optional<QString>& mood) {
    assignAndNotify(this, m_selectedMood, mood, &CatalogSearch::selectedMoodChanged);
}

void CatalogSearch::setSelectedGenre(const std::optional<QString>& genre) {
    assignAndNotify(this, m_selectedGenre, genre, &CatalogSearch::selectedGenreChanged);
}

void CatalogSearch::setSelectedTempo(const std::optional<QString>& tempo) {
    assignAndNotify(this, m_selectedTempo, tempo, &CatalogSearch::selectedTempoChanged);
}

void CatalogSearch::setSelectedVocal(const std::optional<QString>& vocal) {
    assignAndNotify(this, m_selectedVocal, vocal, &CatalogSearch::selectedVocalChanged);
}

void CatalogSearch::setAiTags(const QStringList& tags) {
    assignAndNotify(this, m_aiTags, tags, &CatalogSearch::aiTagsChanged);
}

void CatalogSearch::setAiSearching(bool searching) {
    assignAndNotify(this, m_aiSearching, searching, &CatalogSearch::aiSearchingChanged);
}

QVariant CatalogSearch::selectedMoodValue() const {
    return optionalText(m_selectedMood);
}
void CatalogSearch::setSelectedMoodValue(const QVariant& value) {
    setSelectedMood(optionalText(value));
}
QVariant CatalogSearch::selectedGenreValue() const {
    return optionalText(m_selectedGenre);
}
void CatalogSearch::setSelectedGenreValue(const QVariant& value) {
    setSelectedGenre(optionalText(value));
}
QVariant CatalogSearch::selectedTempoValue() const {
    return optionalText(m_selectedTempo);
}
void CatalogSearch::setSelectedTempoValue(const QVariant& value) {
    setSelectedTempo(optionalText(value));
}
QVariant CatalogSearch::selectedVocalValue() const {
    return optionalText(m_selectedVocal);
}
void CatalogSearch::setSelectedVocalValue(const QVariant& value) {
    setSelectedVocal(optionalText(value));
}

void CatalogSearch::setInterpretSearch(InterpretSearch interpret) {
    m_interpretSearch = std::move(interpret);
}

QStringList CatalogSearch::semanticTags() const {
    return SemanticSearch::tags(m_searchText);
}

QStringList CatalogSearch::allSemanticTags() const {
    QStringList tags = semanticTags();
    return tags.isEmpty() ? m_aiTags : tags;
}

bool CatalogSearch::hasActiveSearch() const {
    return !m_searchText.isEmpty() || m_selectedMood || m_selectedGenre || m_selectedTempo ||
           m_selectedVocal;
}

void CatalogSearch::searchTextOrTagsChanged() {
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

void CatalogSearch::filtersChanged() {
    if (hasActiveSearch() != m_notifiedHasActiveSearch) {
        m_notifiedHasActiveSearch = !m_notifiedHasActiveSearch;
        emit hasActiveSearchChanged();
    }
    schedulePublish();
}

void CatalogSearch::schedulePublish() {
    if (m_publishPending)
        return;
    m_publishPending = true;
    QMetaObject::invokeMethod(this, &CatalogSearch::publish, Qt::QueuedConnection);
}

void CatalogSearch::publish() {
    m_publishPending = false;
    QList<Track> shownBefore = m_filteredModel->catalogue();
    const CatalogSearchIndex::Result& current = result();
    m_filteredModel->setRows(m_indexedTracks, current.filtered);
    m_suggestedModel->setRows(m_indexedTracks, current.suggested);
    if (shownBefore.isSharedWith(m_indexedTracks))
        return;
    // The lists were the last to hold the catalogue just replaced. Freeing 100,000 records takes
    // long enough to be felt, so it happens on a worker thread.
    if (!m_availableTagsTracks.isSharedWith(m_indexedTracks)) {
        m_availableTagsTracks = {};
        m_availableTags = {};
    }
    releaseInBackground(std::move(shownBefore));
}

CatalogSearchIndex::Query CatalogSearch::currentQuery() const {
    CatalogSearchIndex::Query query{m_searchText,    m_selectedMood,  m_selectedGenre,
                                    m_selectedTempo, m_selectedVocal, {}};
    // Tags only count when the text does not match directly, so there are none to look up
    // without a text.
    if (!m_searchText.isEmpty())
        query.tags = allSemanticTags();
    return query;
}

const CatalogSearchIndex::Result& CatalogSearch::result() const {
    if (!m_index || !m_indexedTracks.isSharedWith(m_catalog.tracks())) {
        m_indexedTracks = m_catalog.tracks();
        // The catalogue has let go of the old index already; this was its last holder.
        if (m_index)
            releaseInBackground(std::move(m_index));
        m_index = m_catalog.searchIndex();
        if (!m_index)
            m_index = std::make_shared<const CatalogSearchIndex>(m_indexedTracks);
        m_resultQuery.reset();
    }
    CatalogSearchIndex::Query query = currentQuery();
    if (m_resultQuery != query) {
        m_result = m_index->search(query);
        m_resultQuery = std::move(query);
    }
    return m_result;
}

QList<Track> CatalogSearch::tracksAt(const QList<int>& rows) const {
    QList<Track> tracks;
    tracks.reserve(rows.size());
    for (const int row : rows)
        tracks.append(m_indexedTracks[row]);
    return tracks;
}

QList<Track> CatalogSearch::filteredTracks() const {
    return tracksAt(result().filtered);
}

QList<Track> CatalogSearch::suggestedTracks() const {
    return tracksAt(result().suggested);
}

QStringList CatalogSearch::collectAvailableTags(const QList<Track>& tracks) {
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

const QStringList& CatalogSearch::availableTags() {
    // Collected once per catalogue: a large one takes long enough to be felt.
    if (!m_availableTagsTracks.isSharedWith(m_catalog.tracks()) ||
        m_availableTagsTracks.isEmpty()) {
        m_availableTagsTracks = m_catalog.tracks();
        m_availableTags = collectAvailableTags(m_catalog.tracks());
    }
    return m_availableTags;
}

void CatalogSearch::refreshAISearch() {
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

QCoro::Task<> CatalogSearch::interpretAfterPause(QString query, quint64 generation) {
    // This object may be gone whenever the task resumes: it only reaches it through `self`.
    const QPointer<CatalogSearch> self(this);
    Cancellation cancellation;
    m_aiSearchCancellation = &cancellation;
    // Destroying this object aborts the exchange too.
    connect(this, &QObject::destroyed, &cancellation, &Cancellation::cancel);
    const auto superseded = [&] {
        return !self || cancellation.isCancelled() || self->m_aiSearchGeneration != generation;
    };

    co_await QCoro::sleepFor(m_debounce);
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
