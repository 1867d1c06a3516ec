#include "TrackDragController.h"

#include "AppState.h"
#include "DragService.h"
#include "WaveformService.h"

#include <QDir>
#include <QDrag>
#include <QFileInfo>
#include <QMimeData>
#include <QQuickItem>

namespace aru {

TrackDragController::TrackDragController(QObject* parent)
    : TrackDragController(DragService::shared(), WaveformService::shared(), parent) {}

TrackDragController::TrackDragController(DragService& dragService, WaveformService& waveforms,
                                         QObject* parent)
    : QObject(parent)
    , m_dragService(dragService)
    , m_waveforms(waveforms) {
    connect(&m_waveforms, &WaveformService::loadedTrackIDsChanged, this,
            &TrackDragController::waveformsLoaded);
}

void TrackDragController::setTrack(const Track& track) {
    if (m_track == track)
        return;
    const bool otherTrack = m_track.id != track.id;
    m_track = track;
    if (otherTrack) {
        // A recycled row must not offer the previous track's file.
        setCachedURL({});
        setDragState(DragState::Idle);
    }
    emit trackChanged();
    rememberShownDownload();
    emit presentationChanged();
    checkCachedFile();
}

void TrackDragController::setAppState(AppState* state) {
    if (m_state == state)
        return;
    if (m_state) {
        disconnect(m_state->downloads(), nullptr, this, nullptr);
        disconnect(m_state->preferences(), nullptr, this, nullptr);
    }
    m_state = state;
    if (m_state) {
        Downloads* downloads = m_state->downloads();
        connect(downloads, &Downloads::completedDownloadsChanged, this, [this] {
            if (m_state->downloads()->completedDownloads().contains(m_track.id))
                checkCachedFile();
        });
        connect(m_state->preferences(), &Preferences::languageChanged, this,
                &TrackDragController::presentationChanged);
        // Every row hears of every track's progress: only its own track's changes are passed on.
        for (const auto changed :
             {&Downloads::activeDownloadsChanged, &Downloads::downloadProgressChanged})
            connect(downloads, changed, this, &TrackDragController::downloadsChanged);
    }
    emit appStateChanged();
    rememberShownDownload();
    emit presentationChanged();
    checkCachedFile();
}

void TrackDragController::setFollowsWaveforms(bool follows) {
    if (m_followsWaveforms == follows)
        return;
    m_followsWaveforms = follows;
    emit followsWaveformsChanged();
}

void TrackDragController::downloadsChanged() {
    const bool active = isActivelyDownloading();
    const qreal fraction = progress();
    if (active == m_shownActive && fraction == m_shownProgress)
        return;
    rememberShownDownload();
    emit presentationChanged();
}

void TrackDragController::rememberShownDownload() {
    m_shownActive = isActivelyDownloading();
    m_shownProgress = progress();
}

void TrackDragController::waveformsLoaded() {
    // Measuring a waveform locally fills the drag cache, so a copy may have appeared.
    if (m_followsWaveforms && m_dragState != DragState::Ready &&
        m_waveforms.loadedTrackIDs().contains(m_track.id))
        checkCachedFile();
}

void TrackDragController::checkCachedFile() {
    const QString name = m_track.suggestedFilename();
    const QUrl folder = m_state ? m_state->preferences()->downloadFolder() : QUrl();
    if (folder.isLocalFile()) {
        const QString downloaded = QDir(folder.toLocalFile()).filePath(name);
        if (QFileInfo(downloaded).isFile()) {
            becomeReady(QUrl::fromLocalFile(downloaded));
            return;
        }
    }
    const QString cached = m_dragService.cachedPath(m_track);
    if (QFileInfo(cached).isFile())
        becomeReady(QUrl::fromLocalFile(cached));
}

void TrackDragController::prepareForDrag() {
    if (m_dragState != DragState::Idle)
        return;
    if (m_cachedURL.isValid()) {
        setDragState(DragState::Ready);
        return;
    }
    setDragState(DragState::Loading);
    // Not awaited: the row follows dragState.
    fetchDragCopy();
}

QCoro::Task<> TrackDragController::fetchDragCopy() {
    const QPointer<TrackDragController> self(this);
    const Track track = m_track;
    const QPointer<AppState> state = m_state;
    QString email;
    QString token;
    Downloads::ProgressReporter reporter;
    if (state) {
        email = state->session()->userEmail();
        token = state->session()->userToken();
        reporter = state->downloads()->progressReporter(track.id);
    }
    // Plain variables only: GCC 12 mishandles temporaries made inside a co_await expression.
    const auto copy = co_await m_dragService.ensureCached(track, email, token, reporter);
    if (state)
        state->downloads()->endProgress(track.id);
    // The row may be gone, or showing another track by now.
    if (!self || m_track.id != track.id)
        co_return;
    if (copy)
        becomeReady(*copy);
    else
        setDragState(DragState::Idle);
}

void TrackDragController::downloadOrPrepare() {
    if (m_state)
        downloadIntoFolder();
}

QCoro::Task<> TrackDragController::downloadIntoFolder() {
    const QPointer<TrackDragController> self(this);
    const Track track = m_track;
    // The download reports its own failure.
    const auto saved = co_await m_state->downloads()->downloadTrack(track);
    if (self && saved && m_track.id == track.id)
        becomeReady(*saved);
}

QVariantMap TrackDragController::beginDrag() {
    if (!canDrag())
        return {};
    QVariantMap data;
    const auto staged = m_dragService.stageForDrag(m_cachedURL.toLocalFile(), m_track);
    // A file that vanished still starts a drag, with nothing in it.
    if (staged)
        data.insert(QStringLiteral("text/uri-list"), QUrl::fromLocalFile(*staged).toString());
    if (m_state)
        m_state->downloads()->recordDownload(m_track);
    return data;
}

void TrackDragController::startDrag(QQuickItem* source) {
    if (!source || !canDrag())
        return;
    const QVariantMap data = beginDrag();
    auto* mimeData = new QMimeData;
    const QString uri = data.value(QStringLiteral("text/uri-list")).toString();
    if (!uri.isEmpty())
        mimeData->setUrls({QUrl(uri)});
    // Not deleted here: on X11 the receiver asks for the file list only after the drop, from the
    // drag object, which the platform then deletes itself. Elsewhere it goes with its row.
    auto* drag = new QDrag(source);
    drag->setMimeData(mimeData);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

TrackDragController::DragState TrackDragController::effectiveDragState() const {
    return isActivelyDownloading() ? DragState::Loading : m_dragState;
}

bool TrackDragController::isActivelyDownloading() const {
    return m_state && m_state->downloads()->activeDownloads().contains(m_track.id);
}

QString TrackDragController::dragIcon() const {
    switch (effectiveDragState()) {
    case DragState::Idle:
        return QStringLiteral("arrow.down");
    case DragState::Loading:
        return QStringLiteral("ellipsis");
    case DragState::Ready:
        return QStringLiteral("square.grid.3x3.fill");
    }
    return {};
}

QString TrackDragController::dragHelp() const {
    if (!m_state)
        return {};
    switch (effectiveDragState()) {
    case DragState::Idle:
        return m_state->preferences()->t(QStringLiteral("drag.help.idle"));
    case DragState::Loading:
        return m_state->downloads()->downloadHelp(m_track.id);
    case DragState::Ready:
        return m_state->preferences()->t(QStringLiteral("drag.help.ready"));
    }
    return {};
}

QString TrackDragController::wavLabel() const {
    if (m_state && effectiveDragState() == DragState::Loading) {
        if (const auto percent = m_state->downloads()->downloadPercent(m_track.id))
            return QString::number(*percent) + QLatin1Char('%');
    }
    return QStringLiteral("WAV");
}

qreal TrackDragController::progress() const {
    if (!m_state)
        return -1;
    return m_state->downloads()->downloadProgress().value(m_track.id, -1);
}

void TrackDragController::becomeReady(const QUrl& file) {
    setCachedURL(file);
    setDragState(DragState::Ready);
}

void TrackDragController::setDragState(DragState state) {
    if (m_dragState == state)
        return;
    m_dragState = state;
    emit dragStateChanged();
    emit presentationChanged();
}

void TrackDragController::setCachedURL(const QUrl& url) {
    if (m_cachedURL == url)
        return;
    m_cachedURL = url;
    const bool inDragCache =
        url.isLocalFile() && url.toLocalFile() == m_dragService.cachedPath(m_track);
    m_heldCopy = inDragCache ? m_dragService.holdCopy(m_track) : TrackFileCache::Pin();
    emit cachedURLChanged();
    emit presentationChanged();
}

} // namespace aru
