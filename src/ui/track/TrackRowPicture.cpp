#include "TrackRowPicture.h"

#include "AppState.h"
#include "ImageCache.h"
#include "TrackRowPainter.h"

#include <QFileInfo>
#include <QPointer>
#include <QQuickWindow>
#include <QSGImageNode>
#include <QThreadPool>
#include <functional>
#include <utility>
#include <vector>

namespace aru {

namespace {

// The thread rows are painted on, and the object their pictures come back through on the
// interface's thread. One thread: it runs beside the interface's, and rows are asked for in the
// order they come in. It goes with the application, after the jobs it has taken have run.
class RowPainters : public QObject {
public:
    static RowPainters& instance() {
        static QPointer<RowPainters> painters;
        if (!painters)
            painters = new RowPainters(QCoreApplication::instance());
        return *painters;
    }

    // Rows ask for their pictures while a frame is being prepared, and that frame then waits on
    // this thread and on the display server: a painting started at once would take their core
    // and make the frame late. The jobs start once the event that makes the frame has run; a
    // picture asked for half a page ahead has the time until the next frame to spare.
    void startAfterThisFrame(std::function<void()> job) {
        m_waiting.push_back(std::move(job));
        if (m_waiting.size() > 1)
            return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                for (auto& waiting : std::exchange(m_waiting, {}))
                    m_threads.start(std::move(waiting));
            },
            Qt::QueuedConnection);
    }

private:
    explicit RowPainters(QObject* parent)
        : QObject(parent) {
        m_threads.setMaxThreadCount(1);
    }

    QThreadPool m_threads;
    std::vector<std::function<void()>> m_waiting;
};

} // namespace

TrackRowPicture::TrackRowPicture(QQuickItem* parent)
    : QQuickItem(parent) {
    setFlag(ItemHasContents);
    setImplicitHeight(TrackRowPainter::rowHeight());
    for (const auto signal :
         {&TrackRowController::playbackChanged, &TrackRowController::isFavoriteChanged,
          &TrackRowController::moodChipsChanged, &TrackRowController::downloadErrorChanged,
          // Also said when the language changes, which renames INFO and LICENSE.
          &TrackRowController::infoCellsChanged})
        connect(&m_row, signal, this, &TrackRowPicture::lookChanged);
    connect(&m_drag, &TrackDragController::presentationChanged, this,
            &TrackRowPicture::lookChanged);
    connect(&m_strip, &WaveformStripController::peaksChanged, this, &TrackRowPicture::lookChanged);
    connect(&m_strip, &WaveformStripController::shownChanged, this, &TrackRowPicture::lookChanged);
}

TrackRowPicture::~TrackRowPicture() {
    ++*m_ticket;
}

void TrackRowPicture::setTrack(const Track& track) {
    if (m_row.track() == track)
        return;
    const bool another = m_row.track().id != track.id;
    m_row.setTrack(track);
    m_drag.setTrack(track);
    m_strip.setTrack(track);
    if (another)
        setPainted(false);
    emit trackChanged();
    lookChanged();
}

void TrackRowPicture::setAppState(AppState* state) {
    if (m_row.appState() == state)
        return;
    m_row.setAppState(state);
    m_drag.setAppState(state);
    m_strip.setAppState(state);
    emit appStateChanged();
    lookChanged();
}

void TrackRowPicture::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.width() != oldGeometry.width())
        lookChanged();
}

TrackRowLook TrackRowPicture::look() const {
    TrackRowLook look;
    const Track& track = m_row.track();
    AppState* state = m_row.appState();
    look.width = width();
    if (state) {
        look.pageLeading = state->layout()->pageH();
        look.pageTrailing = state->layout()->pageTrailing();
        look.infoText = state->preferences()->t(QStringLiteral("track.info"));
        look.licenseText = state->preferences()->t(QStringLiteral("track.license"));
    }
    look.title = track.title;
    look.artist = track.artist;
    look.genre = track.genre.value_or(QString());
    look.moodChips = m_row.moodChips();
    const QUrl cover = track.coverArtURL();
    if (cover.isValid() && ImageCache::exists()) {
        const QString file = ImageCache::shared().diskPath(cover);
        if (QFileInfo::exists(file))
            look.coverFile = file;
    }
    look.isCurrent = m_row.isCurrent();
    look.isPlaying = m_row.isPlaying();
    look.isFavorite = m_row.isFavorite();
    look.isDragReady = m_drag.effectiveDragState() == TrackDragController::DragState::Ready;
    look.wavLabel = m_drag.wavLabel();
    look.downloadError = m_row.downloadError();
    look.peaks = m_strip.peaks();
    look.progress = m_strip.progress();
    look.positionText = m_strip.positionText();
    look.durationText = m_strip.durationText();
    return look;
}

void TrackRowPicture::lookChanged() {
    // Several inputs change together (a new track): the look is taken once, before the frame.
    polish();
}

void TrackRowPicture::fetchMissingCover(const TrackRowLook& look) {
    const QUrl cover = m_row.track().coverArtURL();
    if (!look.coverFile.isEmpty() || !cover.isValid() || !ImageCache::exists() ||
        m_coverAskedFor == m_row.track().id)
        return;
    // Once per track: the cache fetches it into its folder, and the picture is painted again.
    m_coverAskedFor = m_row.track().id;
    ImageCache::shared().image(cover, [self = QPointer<TrackRowPicture>(this)](const auto& image) {
        if (self && image)
            self->lookChanged();
    });
}

void TrackRowPicture::updatePolish() {
    TrackRowLook wanted = look();
    fetchMissingCover(wanted);
    if (wanted.width <= 0 || wanted == m_requested)
        return;
    m_requested = wanted;
    const quint64 ticket = ++*m_ticket;
    const qreal ratio = window() ? window()->effectiveDevicePixelRatio() : 1;
    QPointer<TrackRowPicture> self(this);
    RowPainters& painters = RowPainters::instance();
    painters.startAfterThisFrame(
        [self, ticket, tickets = m_ticket, look = std::move(wanted), ratio, receiver = &painters] {
            if (tickets->load() != ticket)
                return;
            QImage picture = TrackRowPainter::paint(look, ratio);
            QMetaObject::invokeMethod(
                receiver,
                [self, ticket, tickets, picture = std::move(picture)]() mutable {
                    if (self && tickets->load() == ticket)
                        self->show(std::move(picture));
                },
                Qt::QueuedConnection);
        });
}

void TrackRowPicture::show(QImage picture) {
    m_picture = std::move(picture);
    m_pictureChanged = true;
    setPainted(true);
    update();
}

void TrackRowPicture::setPainted(bool painted) {
    if (m_painted == painted)
        return;
    m_painted = painted;
    if (!painted) {
        m_picture = {};
        m_pictureChanged = true;
        update();
    }
    emit paintedChanged();
}

QSGNode* TrackRowPicture::updatePaintNode(QSGNode* oldNode, UpdatePaintNodeData*) {
    auto* node = static_cast<QSGImageNode*>(oldNode);
    if (m_picture.isNull()) {
        delete node;
        m_pictureChanged = false;
        return nullptr;
    }
    if (!node) {
        node = window()->createImageNode();
        node->setOwnsTexture(true);
        m_pictureChanged = true;
    }
    if (m_pictureChanged) {
        node->setTexture(window()->createTextureFromImage(m_picture));
        m_pictureChanged = false;
    }
    node->setRect(QRectF(QPointF(0, 0), m_picture.deviceIndependentSize()));
    return node;
}

} // namespace aru
