#pragma once

#include "WaveformBarLayout.h"

#include <QList>
#include <QRectF>
#include <QSGRenderNode>

class QQuickWindow;

namespace aru {

// Draws waveform bars with the software scene graph's painter, which has no custom geometry:
// the renderer of the offscreen tests and of systems without OpenGL.
class WaveformBarsPainterNode : public QSGRenderNode {
public:
    explicit WaveformBarsPainterNode(QQuickWindow* window);

    void setBars(QList<WaveformBarLayout::Bar> bars, QRectF bounds);

    void render(const RenderState* state) override;
    StateFlags changedStates() const override { return {}; }
    RenderingFlags flags() const override { return BoundedRectRendering; }
    QRectF rect() const override { return m_bounds; }

private:
    QQuickWindow* m_window;
    QList<WaveformBarLayout::Bar> m_bars;
    QRectF m_bounds;
};

} // namespace aru
