#pragma once

#include "InlineWaveformController.h"
#include "Track.h"
#include "TrackDragController.h"
#include "TrackRowController.h"
#include "TrackRowLook.h"

#include <QImage>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>
#include <atomic>
#include <memory>

namespace aru {

class AppState;

// A catalogue row as a picture painted on a worker thread, for a list that scrolls: it follows
// the same state as the interactive row (through the same controllers) and asks for a new picture
// whenever what the row would show changes. It takes no input. Until the first picture of its
// track arrives it shows the page's colour; `painted` says whether the picture is its track's.
class TrackRowPicture : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT
    Q_MOC_INCLUDE("AppState.h")

    Q_PROPERTY(aru::Track track READ track WRITE setTrack NOTIFY trackChanged)
    Q_PROPERTY(aru::AppState* appState READ appState WRITE setAppState NOTIFY appStateChanged)
    Q_PROPERTY(bool painted READ isPainted NOTIFY paintedChanged)

public:
    explicit TrackRowPicture(QQuickItem* parent = nullptr);
    ~TrackRowPicture() override;

    const Track& track() const { return m_row.track(); }
    void setTrack(const Track& track);
    AppState* appState() const { return m_row.appState(); }
    void setAppState(AppState* state);
    bool isPainted() const { return m_painted; }

    // What the row shows now.
    TrackRowLook look() const;

signals:
    void trackChanged();
    void appStateChanged();
    void paintedChanged();

protected:
    void updatePolish() override;
    QSGNode* updatePaintNode(QSGNode* oldNode, UpdatePaintNodeData*) override;
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    void lookChanged();
    // Has the cover cache fetch a cover that is not in its folder yet.
    void fetchMissingCover(const TrackRowLook& look);
    void show(QImage picture);
    void setPainted(bool painted);

    TrackRowController m_row;
    TrackDragController m_drag;
    InlineWaveformController m_strip;
    TrackRowLook m_requested;
    // Bumped for every picture asked for: a job that finds another number skips its painting.
    std::shared_ptr<std::atomic<quint64>> m_ticket = std::make_shared<std::atomic<quint64>>(0);
    QImage m_picture;
    bool m_pictureChanged = false;
    bool m_painted = false;
    TrackId m_coverAskedFor = -1;
};

} // namespace aru
