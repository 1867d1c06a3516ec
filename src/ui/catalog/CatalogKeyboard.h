#pragma once

#include "AuditionKeys.h"

#include <QObject>
#include <QPointer>
#include <QtQmlIntegration>

namespace aru {

class AppState;
class TrackListModel;

// Auditioning from the keyboard on the catalogue screen: a selected row moved through the list
// as shown, Enter to play it, Space to pause, arrows to seek, and keys for the selected track's
// favourite, download and info. While a track plays, moving the selection plays the new one at
// once. What needs the view (the search field, a row's info panel, Escape's steps) is asked of
// it by signal.
class CatalogKeyboard : public QObject {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(aru::AppState* appState READ appState WRITE setAppState NOTIFY appStateChanged)
    // The list as shown; the selection is a row of it.
    Q_PROPERTY(aru::TrackListModel* tracks READ tracks WRITE setTracks NOTIFY tracksChanged)
    // -1 while nothing is selected.
    Q_PROPERTY(int selectedRow READ selectedRow WRITE setSelectedRow NOTIFY selectedRowChanged)
    // How many rows a page move skips: the rows the list shows at once.
    Q_PROPERTY(int pageRows MEMBER m_pageRows NOTIFY pageRowsChanged)
    // The selected row's chosen start point (0 to 1), or a negative number for none.
    Q_PROPERTY(qreal selectedStartFraction MEMBER m_selectedStartFraction NOTIFY
                   selectedStartFractionChanged)

public:
    explicit CatalogKeyboard(QObject* parent = nullptr);

    AppState* appState() const { return m_state; }
    void setAppState(AppState* state);
    TrackListModel* tracks() const { return m_tracks; }
    void setTracks(TrackListModel* tracks);
    int selectedRow() const { return m_selectedRow; }
    void setSelectedRow(int row);

    // Carries out the key's action; false when the key means nothing here, so it goes on to
    // whatever else may want it.
    Q_INVOKABLE bool handleKey(int key, int modifiers, bool inSearchField);

signals:
    void appStateChanged();
    void tracksChanged();
    void selectedRowChanged();
    void pageRowsChanged();
    void selectedStartFractionChanged();
    // The selected row's start point was used and must be cleared.
    void startFractionConsumed();
    void focusSearchRequested();
    void infoToggleRequested(int row);
    void escapePressed();

private:
    bool hasSelection() const;
    void playSelected();
    void moveSelection(AuditionKeys::Action action);

    QPointer<AppState> m_state;
    QPointer<TrackListModel> m_tracks;
    int m_selectedRow = -1;
    int m_pageRows = 8;
    qreal m_selectedStartFraction = -1;
};

} // namespace aru
