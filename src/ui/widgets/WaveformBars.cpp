#include "WaveformBars.h"

#include "WaveformBarGeometry.h"
#include "WaveformBarLayout.h"
#include "WaveformBarsPainterNode.h"

#include <QQuickWindow>
#include <QSGGeometryNode>
#include <QSGRendererInterface>
#include <QSGVertexColorMaterial>

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
    const auto bars = WaveformBarLayout::bars(m_values, size(), m_played);
    if (bars.isEmpty()) {
        delete oldNode;
        return nullptr;
    }
    if (window()->rendererInterface()->graphicsApi() == QSGRendererInterface::Software) {
        auto* node = static_cast<WaveformBarsPainterNode*>(oldNode);
        if (!node)
            node = new WaveformBarsPainterNode(window());
        node->setBars(bars, boundingRect());
        return node;
    }
    auto* node = static_cast<QSGGeometryNode*>(oldNode);
    if (!node) {
        node = new QSGGeometryNode;
        node->setGeometry(WaveformBarGeometry::create());
        node->setFlag(QSGNode::OwnsGeometry);
        node->setMaterial(new QSGVertexColorMaterial);
        node->setFlag(QSGNode::OwnsMaterial);
    }
    WaveformBarGeometry::fill(*node->geometry(), bars, window()->effectiveDevicePixelRatio());
    node->markDirty(QSGNode::DirtyGeometry);
    return node;
}

} // namespace aru
