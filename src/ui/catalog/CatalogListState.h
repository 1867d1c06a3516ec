#pragma once

#include <QObject>
#include <QPointer>
#include <QtQmlIntegration>

namespace aru {

class AppState;
class TrackListModel;

// What the catalogue screen's list shows, in order of precedence: a spinner while the catalogue
// loads; the filtered tracks; the ranked suggestions when a search or filter is active and
// nothing matches directly; a failed load when there is no catalogue at all; else the empty
// state. The screen binds to it and never decides.
class CatalogListState : public QObject {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(aru::AppState* appState READ appState WRITE setAppState NOTIFY appStateChanged)
    Q_PROPERTY(Content content READ content NOTIFY contentChanged)
    // The rows to list: the filtered or the suggested tracks; null while none are listed.
    Q_PROPERTY(aru::TrackListModel* tracks READ tracks NOTIFY contentChanged)
    // The same rows, for the list's view, in a model that keeps the last ones while none are
    // listed: the next list then rebinds the rows the view holds instead of building new ones,
    // as typing through a text that matches nothing would (a row is several times dearer to
    // build than to rebind).
    Q_PROPERTY(aru::TrackListModel* shownTracks READ shownTracks CONSTANT)

public:
    enum class Content { Loading, Tracks, Suggestions, LoadFailed, Empty };
    Q_ENUM(Content)

    struct Inputs {
        bool isLoading = false;
        int filteredCount = 0;
        bool hasActiveSearch = false;
        int suggestedCount = 0;
        int catalogueCount = 0;
        bool lastLoadFailed = false;
    };
    static Content contentFor(const Inputs& inputs);

    explicit CatalogListState(QObject* parent = nullptr);

    AppState* appState() const { return m_state; }
    void setAppState(AppState* state);
    Content content() const { return m_content; }
    TrackListModel* tracks() const;
    TrackListModel* shownTracks() const { return m_shown; }

signals:
    void appStateChanged();
    void contentChanged();

private:
    void update();
    void showListedRows();

    QPointer<AppState> m_state;
    TrackListModel* m_shown;
    Content m_content = Content::Empty;
};

} // namespace aru
