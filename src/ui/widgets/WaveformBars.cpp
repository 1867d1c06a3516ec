#include "WaveformBars.h"

#include "WaveformBarLayout.h"
#include "WaveformBarPicture.h"

#include <QQuickWindow>
#include <QSGImageNode>

namespace aru {

WaveformBars::WaveformBars(QQuickItem* parent)
    : QQuickItem(parent) {
    setFlag(ItemHasContents);
}

void WaveformBars::setPeaks(const Peaks& peaks) {
    if (m_peaks == peaks)
        return;
    m_peaks = peaks;
    emit peaksChanged();
    relayout();
}

void WaveformBars::setProgress(qreal progress) {
    if (m_progress == progress)
        return;
    m_progress = progress;
    emit progressChanged();
    const int before = m_played;
    updatePlayed();
    if (m_played != before)
        redraw();
}

void WaveformBars::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size())
        relayout();
}

void WaveformBars::relayout() {
    m_values = WaveformBarLayout::barValues(m_peaks, width());
    updatePlayed();
    redraw();
}

void WaveformBars::updatePlayed() {
    m_played = WaveformBarLayout::playedCount(m_values.size(), width(), m_progress);
}

void WaveformBars::redraw() {
    emit barsChanged();
    update();
}

QSGNode* WaveformBars::updatePaintNode(QSGNode* oldNode, UpdatePaintNodeData*) {
    // Only a change of the bars asks for a new picture, so the node is simply made again.
    delete oldNode;
    const auto bars = WaveformBarLayout::bars(m_values, size(), m_played);
    if (bars.isEmpty())
        return nullptr;
    const QImage picture =
        WaveformBarPicture::paint(bars, size(), window()->effectiveDevicePixelRatio());
    if (picture.isNull())
        return nullptr;
    QSGImageNode* node = window()->createImageNode();
    node->setTexture(window()->createTextureFromImage(picture));
    node->setOwnsTexture(true);
    node->setFiltering(QSGTexture::Linear);
    node->setRect(boundingRect());
    return node;
}

} // namespace aru
