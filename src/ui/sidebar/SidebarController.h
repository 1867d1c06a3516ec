#pragma once

#include "DownloadFolderWatcher.h"
#include "SidebarTab.h"
#include "TrackCollectionModel.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQmlIntegration>

namespace aru {

class AppState;

// The collection sidebar's state: its own filter text, the tab shown, and the two filtered lists
// (favourites, downloads still on disk), kept current with the favourites, the download history,
// the catalogue, the download folder and the files in it. Created with each sidebar panel, so
// the filter text is forgotten when the panel closes.
class SidebarController : public QObject {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(aru::AppState* appState READ appState WRITE setAppState NOTIFY appStateChanged)
    Q_PROPERTY(QString filterText READ filterText WRITE setFilterText NOTIFY filterTextChanged)
    Q_PROPERTY(int tab READ tab WRITE setTab NOTIFY tabChanged)
    Q_PROPERTY(aru::TrackCollectionModel* favoriteTracks READ favoriteTracks CONSTANT)
    Q_PROPERTY(aru::TrackCollectionModel* downloadedTracks READ downloadedTracks CONSTANT)
    // The list of the tab shown.
    Q_PROPERTY(aru::TrackCollectionModel* shownTracks READ shownTracks NOTIFY tabChanged)
    // The tab headers with the counts of the filtered lists, and the line shown for an empty list.
    Q_PROPERTY(QString favoritesTitle READ favoritesTitle NOTIFY textsChanged)
    Q_PROPERTY(QString downloadsTitle READ downloadsTitle NOTIFY textsChanged)
    Q_PROPERTY(QString emptyText READ emptyText NOTIFY textsChanged)

public:
    explicit SidebarController(QObject* parent = nullptr);

    // The text key of the empty list's line: no results while a filter text is typed (even one
    // of spaces only, which matches everything), else the tab's own.
    static QString emptyTextKey(SidebarTab::Tab tab, const QString& filterText);

    AppState* appState() const { return m_state; }
    void setAppState(AppState* state);
    QString filterText() const { return m_filterText; }
    void setFilterText(const QString& text);
    int tab() const { return m_tab; }
    void setTab(int tab);
    TrackCollectionModel* favoriteTracks() { return &m_favoriteTracks; }
    TrackCollectionModel* downloadedTracks() { return &m_downloadedTracks; }
    TrackCollectionModel* shownTracks();
    QString favoritesTitle() const;
    QString downloadsTitle() const;
    QString emptyText() const;

    // Looks at the download folder again: the system does not report every change (a network
    // share, a folder made again after it was deleted).
    Q_INVOKABLE void refreshDownloads();

signals:
    void appStateChanged();
    void filterTextChanged();
    void tabChanged();
    void textsChanged();

private:
    void refreshFavorites();
    void refreshAll();
    QString text(const QString& key) const;

    QPointer<AppState> m_state;
    QString m_filterText;
    SidebarTab::Tab m_tab = SidebarTab::Favorites;
    TrackCollectionModel m_favoriteTracks;
    TrackCollectionModel m_downloadedTracks;
    DownloadFolderWatcher m_folderWatcher;
};

} // namespace aru
