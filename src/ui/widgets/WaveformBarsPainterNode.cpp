#include "WaveformBarsPainterNode.h"

#include <QPainter>
#include <QQuickWindow>
#include <QSGRendererInterface>

namespace aru {

WaveformBarsPainterNode::WaveformBarsPainterNode(QQuickWindow* window)
    : m_window(window) {}

void WaveformBarsPainterNode::setBars(QList<WaveformBarLayout::Bar> bars, QRectF bounds) {
    m_bars = std::move(bars);
    m_bounds = bounds;
    markDirty(DirtyMaterial);
}

void WaveformBarsPainterNode::render(const RenderState* state) {
    auto* painter = static_cast<QPainter*>(m_window->rendererInterface()->getResource(
        m_window, QSGRendererInterface::PainterResource));
    if (!painter)
        return;
    painter->save();
    // The clip goes first: it is given in window coordinates.
    if (const QRegion* clip = state->clipRegion(); clip && !clip->isEmpty())
        painter->setClipRegion(*clip, Qt::IntersectClip);
    painter->setTransform(matrix()->toTransform());
    painter->setOpacity(inheritedOpacity());
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    for (const auto& bar : std::as_const(m_bars)) {
        painter->setBrush(bar.color);
        painter->drawRoundedRect(bar.rect, bar.radius, bar.radius);
    }
    painter->restore();
}

} // namespace aru
