#pragma once

#include "Track.h"
#include "TrackFileCache.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <QtQmlIntegration>

class QQuickItem;

namespace aru {

class AppState;
class DragService;
class WaveformService;

// One row's preparation for dragging its track out of the window: finds or fetches a local WAV,
// tells the row what to show while it does, and starts the drag. Each row owns its own; rows
// share nothing but the application state. The track row shows the drag badge; the sidebar row
// has none, does not follow waveform loading and never calls prepareForDrag().
class TrackDragController : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_MOC_INCLUDE("AppState.h")
    Q_MOC_INCLUDE(<QQuickItem>)

    Q_PROPERTY(aru::Track track READ track WRITE setTrack NOTIFY trackChanged)
    Q_PROPERTY(aru::AppState* appState READ appState WRITE setAppState NOTIFY appStateChanged)
    Q_PROPERTY(bool followsWaveforms READ followsWaveforms WRITE setFollowsWaveforms NOTIFY
                   followsWaveformsChanged)
    Q_PROPERTY(DragState dragState READ dragState NOTIFY dragStateChanged)
    Q_PROPERTY(QUrl cachedURL READ cachedURL NOTIFY cachedURLChanged)
    Q_PROPERTY(DragState effectiveDragState READ effectiveDragState NOTIFY presentationChanged)
    Q_PROPERTY(QString dragIcon READ dragIcon NOTIFY presentationChanged)
    Q_PROPERTY(QString dragHelp READ dragHelp NOTIFY presentationChanged)
    Q_PROPERTY(QString wavLabel READ wavLabel NOTIFY presentationChanged)
    // The published fraction of the track's transfer, or -1 while none is known (the ring).
    Q_PROPERTY(qreal progress READ progress NOTIFY presentationChanged)
    Q_PROPERTY(bool canDrag READ canDrag NOTIFY presentationChanged)

public:
    enum class DragState { Idle, Loading, Ready };
    Q_ENUM(DragState)

    // The shared drag cache and waveform service unless others are given (tests).
    explicit TrackDragController(QObject* parent = nullptr);
    TrackDragController(DragService& dragService, WaveformService& waveforms,
                        QObject* parent = nullptr);

    const Track& track() const { return m_track; }
    // Another track starts over from idle and looks for its local copy.
    void setTrack(const Track& track);
    AppState* appState() const { return m_state; }
    void setAppState(AppState* state);
    bool followsWaveforms() const { return m_followsWaveforms; }
    void setFollowsWaveforms(bool follows);

    DragState dragState() const { return m_dragState; }
    QUrl cachedURL() const { return m_cachedURL; }
    // Loading while the state reports a download of the track, whatever dragState says.
    DragState effectiveDragState() const;
    QString dragIcon() const;
    QString dragHelp() const;
    QString wavLabel() const;
    qreal progress() const;
    bool canDrag() const { return m_dragState == DragState::Ready && m_cachedURL.isValid(); }

    // Makes the row ready when a copy is in the download folder or the drag cache.
    Q_INVOKABLE void checkCachedFile();
    // From the drag badge, while idle: fetches a copy into the drag cache.
    Q_INVOKABLE void prepareForDrag();
    // From the WAV button: downloads the track into the download folder.
    Q_INVOKABLE void downloadOrPrepare();

    // What a drag that starts now hands over: the file under the track's display name as
    // "text/uri-list" (empty when the file is gone). The drag counts as a download. Empty, and
    // nothing recorded, while the row cannot be dragged.
    Q_INVOKABLE QVariantMap beginDrag();
    // Starts the platform's drag from `source` with beginDrag()'s data; returns when it ends.
    Q_INVOKABLE void startDrag(QQuickItem* source);

signals:
    void trackChanged();
    void appStateChanged();
    void followsWaveformsChanged();
    void dragStateChanged();
    void cachedURLChanged();
    void presentationChanged();

private:
    QCoro::Task<> fetchDragCopy();
    QCoro::Task<> downloadIntoFolder();
    void becomeReady(const QUrl& file);
    void setDragState(DragState state);
    void setCachedURL(const QUrl& url);
    void waveformsLoaded();
    void downloadsChanged();
    void rememberShownDownload();
    bool isActivelyDownloading() const;

    DragService& m_dragService;
    WaveformService& m_waveforms;
    Track m_track;
    QPointer<AppState> m_state;
    bool m_followsWaveforms = true;
    DragState m_dragState = DragState::Idle;
    QUrl m_cachedURL;
    // While the row offers the drag cache's copy, the cache's bound leaves it alone.
    TrackFileCache::Pin m_heldCopy;
    // The track's download as the row last showed it.
    bool m_shownActive = false;
    qreal m_shownProgress = -1;
};

} // namespace aru
