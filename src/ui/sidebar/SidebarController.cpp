#include "SidebarController.h"

#include "AppState.h"
#include "CollectionLists.h"

#include <QGuiApplication>
#include <QJSEngine>

namespace aru {

SidebarController::SidebarController(QObject* parent)
    : QObject(parent) {
    for (TrackCollectionModel* model : {&m_favoriteTracks, &m_downloadedTracks}) {
        QJSEngine::setObjectOwnership(model, QJSEngine::CppOwnership);
        connect(model, &TrackCollectionModel::countChanged, this, &SidebarController::textsChanged);
    }
    connect(&m_folderWatcher, &DownloadFolderWatcher::changed, this,
            &SidebarController::refreshDownloads);
    // Coming back to the window is when a file deleted elsewhere is most likely missed by the
    // folder's notifications.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationActive)
                        refreshDownloads();
                });
    }
}

QString SidebarController::emptyTextKey(SidebarTab::Tab tab, const QString& filterText) {
    if (!filterText.isEmpty())
        return QStringLiteral("sidebar.empty.results");
    return tab == SidebarTab::Favorites ? QStringLiteral("sidebar.empty.favorites")
                                        : QStringLiteral("sidebar.empty.downloads");
}

void SidebarController::setAppState(AppState* state) {
    if (m_state == state)
        return;
    if (m_state) {
        for (QObject* part :
             std::initializer_list<QObject*>{m_state->catalog(), m_state->favorites(),
                                             m_state->downloads(), m_state->preferences()})
            disconnect(part, nullptr, this, nullptr);
    }
    m_state = state;
    if (m_state) {
        connect(m_state->catalog(), &Catalog::tracksChanged, this, &SidebarController::refreshAll);
        connect(m_state->favorites(), &Favorites::favoritesChanged, this,
                &SidebarController::refreshFavorites);
        connect(m_state->downloads(), &Downloads::downloadsChanged, this,
                &SidebarController::refreshDownloads);
        connect(m_state->preferences(), &Preferences::downloadFolderChanged, this,
                &SidebarController::refreshDownloads);
        connect(m_state->preferences(), &Preferences::languageChanged, this,
                &SidebarController::textsChanged);
    }
    emit appStateChanged();
    refreshAll();
    emit textsChanged();
}

void SidebarController::setFilterText(const QString& text) {
    if (m_filterText == text)
        return;
    m_filterText = text;
    emit filterTextChanged();
    refreshAll();
    emit textsChanged();
}

void SidebarController::setTab(int tab) {
    const auto shown = tab == SidebarTab::Downloads ? SidebarTab::Downloads : SidebarTab::Favorites;
    if (m_tab == shown)
        return;
    m_tab = shown;
    emit tabChanged();
    emit textsChanged();
}

TrackCollectionModel* SidebarController::shownTracks() {
    return m_tab == SidebarTab::Favorites ? &m_favoriteTracks : &m_downloadedTracks;
}

QString SidebarController::favoritesTitle() const {
    return QStringLiteral("%1 (%2)")
        .arg(text(QStringLiteral("sidebar.tab.favorites")))
        .arg(m_favoriteTracks.count());
}

QString SidebarController::downloadsTitle() const {
    return QStringLiteral("%1 (%2)")
        .arg(text(QStringLiteral("sidebar.tab.downloads")))
        .arg(m_downloadedTracks.count());
}

QString SidebarController::emptyText() const {
    return text(emptyTextKey(m_tab, m_filterText));
}

void SidebarController::refreshFavorites() {
    m_favoriteTracks.setTracks(
        m_state ? CollectionLists::favoriteTracks(m_state->catalog()->tracks(),
                                                  m_state->favorites()->favorites(), m_filterText)
                : QList<Track>());
}

void SidebarController::refreshDownloads() {
    if (!m_state) {
        m_downloadedTracks.setTracks({});
        return;
    }
    const QString folder = m_state->preferences()->downloadFolder().toLocalFile();
    // Also re-arms the watch of a folder that was deleted and has been made again.
    m_folderWatcher.watch(folder);
    m_downloadedTracks.setTracks(CollectionLists::downloadedTracks(
        m_state->catalog()->tracks(), m_state->downloads()->downloads(), folder, m_filterText));
}

void SidebarController::refreshAll() {
    refreshFavorites();
    refreshDownloads();
}

QString SidebarController::text(const QString& key) const {
    return m_state ? m_state->preferences()->t(key) : key;
}

} // namespace aru
