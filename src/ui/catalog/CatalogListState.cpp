#include "CatalogListState.h"

#include "AppState.h"
#include "TrackListModel.h"

namespace aru {

CatalogListState::Content CatalogListState::contentFor(const Inputs& inputs) {
    if (inputs.isLoading)
        return Content::Loading;
    if (inputs.filteredCount > 0)
        return Content::Tracks;
    if (inputs.hasActiveSearch && inputs.suggestedCount > 0)
        return Content::Suggestions;
    // A catalogue that never arrived must not look like an empty one.
    if (inputs.lastLoadFailed && inputs.catalogueCount == 0)
        return Content::LoadFailed;
    return Content::Empty;
}

CatalogListState::CatalogListState(QObject* parent)
    : QObject(parent)
    , m_shown(new TrackListModel(this)) {}

void CatalogListState::setAppState(AppState* state) {
    if (m_state == state)
        return;
    if (m_state) {
        for (QObject* part :
             {static_cast<QObject*>(m_state->catalog()), static_cast<QObject*>(m_state->search()),
              static_cast<QObject*>(m_state->search()->filteredTracksModel()),
              static_cast<QObject*>(m_state->search()->suggestedTracksModel())})
            disconnect(part, nullptr, this, nullptr);
    }
    m_state = state;
    if (m_state) {
        Catalog* catalog = m_state->catalog();
        CatalogSearch* search = m_state->search();
        connect(catalog, &Catalog::isLoadingCatalogChanged, this, &CatalogListState::update);
        connect(catalog, &Catalog::tracksChanged, this, &CatalogListState::update);
        connect(catalog, &Catalog::lastLoadFailedChanged, this, &CatalogListState::update);
        connect(search, &CatalogSearch::hasActiveSearchChanged, this, &CatalogListState::update);
        connect(search->filteredTracksModel(), &TrackListModel::rowsChanged, this,
                &CatalogListState::update);
        connect(search->suggestedTracksModel(), &TrackListModel::rowsChanged, this,
                &CatalogListState::update);
    }
    emit appStateChanged();
    update();
}

TrackListModel* CatalogListState::tracks() const {
    if (!m_state)
        return nullptr;
    switch (m_content) {
    case Content::Tracks:
        return m_state->search()->filteredTracksModel();
    case Content::Suggestions:
        return m_state->search()->suggestedTracksModel();
    default:
        return nullptr;
    }
}

void CatalogListState::update() {
    Content content = Content::Empty;
    if (m_state) {
        const Catalog* catalog = m_state->catalog();
        const CatalogSearch* search = m_state->search();
        content = contentFor({catalog->isLoadingCatalog(), search->filteredTracksModel()->count(),
                              search->hasActiveSearch(), search->suggestedTracksModel()->count(),
                              catalog->trackCount(), catalog->lastLoadFailed()});
    }
    const bool changed = content != m_content;
    m_content = content;
    // The view's rows are in place before it is shown again.
    showListedRows();
    if (changed)
        emit contentChanged();
}

void CatalogListState::showListedRows() {
    if (const TrackListModel* listed = tracks()) {
        m_shown->setRows(listed->catalogue(), listed->rows());
        return;
    }
    // Rows of a catalogue since replaced are no use to the next list, and would keep it alive.
    const QList<Track> current =
        m_state ? m_state->search()->filteredTracksModel()->catalogue() : QList<Track>();
    if (!m_shown->catalogue().isSharedWith(current))
        m_shown->setRows(current, {});
}

} // namespace aru
