#include "WaveformBarGeometry.h"

#include <QSGGeometry>
#include <QtMath>
#include <algorithm>
#include <array>
#include <cmath>

namespace aru::WaveformBarGeometry {

namespace {

using Point = QSGGeometry::ColoredPoint2D;

// A bar's outline grown (or shrunk, for a negative `by`) by `by` on every side: the same corner
// centres, with the radius changed by as much. Sides that shrink below nothing meet at the centre.
struct Outline {
    QPointF centre;
    qreal halfWidth;
    qreal halfHeight;
    qreal radius;

    Outline grownBy(qreal by) const {
        const qreal w = std::max(halfWidth + by, 0.0);
        const qreal h = std::max(halfHeight + by, 0.0);
        return {centre, w, h, std::clamp(radius + by, 0.0, std::min(w, h))};
    }
};

// Points of the outline clockwise from the top-right corner's start, one quarter circle per
// corner.
std::array<QPointF, outlinePoints> outlinePointsOf(const Outline& o) {
    static const auto directions = [] {
        std::array<QPointF, outlinePoints> unit{};
        for (int corner = 0; corner < 4; ++corner) {
            for (int s = 0; s <= segmentsPerCorner; ++s) {
                const qreal angle =
                    qDegreesToRadians(-90.0 + 90.0 * (corner + qreal(s) / segmentsPerCorner));
                unit[std::size_t(corner * (segmentsPerCorner + 1) + s)] = {std::cos(angle),
                                                                           std::sin(angle)};
            }
        }
        return unit;
    }();
    // The corner centres, in the order the quarters above sweep: top-right, bottom-right,
    // bottom-left, top-left.
    const qreal cx = o.halfWidth - o.radius;
    const qreal cy = o.halfHeight - o.radius;
    const std::array<QPointF, 4> corners{{{cx, -cy}, {cx, cy}, {-cx, cy}, {-cx, -cy}}};
    std::array<QPointF, outlinePoints> points{};
    for (int i = 0; i < outlinePoints; ++i) {
        const QPointF corner = corners[std::size_t(i / (segmentsPerCorner + 1))];
        points[std::size_t(i)] = o.centre + corner + directions[std::size_t(i)] * o.radius;
    }
    return points;
}

// Premultiplied, as the material wants.
void setColor(Point& p, const QColor& color, qreal coverage) {
    const qreal a = color.alphaF() * coverage;
    p.r = uchar(qRound(color.redF() * a * 255));
    p.g = uchar(qRound(color.greenF() * a * 255));
    p.b = uchar(qRound(color.blueF() * a * 255));
    p.a = uchar(qRound(a * 255));
}

} // namespace

QSGGeometry* create() {
    auto* geometry = new QSGGeometry(QSGGeometry::defaultAttributes_ColoredPoint2D(), 0, 0,
                                     QSGGeometry::UnsignedIntType);
    geometry->setDrawingMode(QSGGeometry::DrawTriangles);
    return geometry;
}

void fill(QSGGeometry& geometry, const QList<WaveformBarLayout::Bar>& bars,
          qreal devicePixelRatio) {
    geometry.allocate(int(bars.size()) * verticesPerBar, int(bars.size()) * indicesPerBar);
    Point* vertex = geometry.vertexDataAsColoredPoint2D();
    quint32* index = geometry.indexDataAsUInt();
    const qreal edge = 0.5 / std::max(devicePixelRatio, 1.0);

    for (qsizetype b = 0; b < bars.size(); ++b) {
        const auto& bar = bars[b];
        const Outline shape{bar.rect.center(), bar.rect.width() / 2, bar.rect.height() / 2,
                            bar.radius};
        // Thinner than the soft edge on either side, the bar covers only part of its pixels.
        const qreal coverage = std::min(1.0, bar.rect.width() / (2 * edge)) *
                               std::min(1.0, bar.rect.height() / (2 * edge));
        const auto inner = outlinePointsOf(shape.grownBy(-edge));
        const auto outer = outlinePointsOf(shape.grownBy(edge));

        const quint32 first = quint32(b * verticesPerBar);
        Point* v = vertex + first;
        v[0].set(float(shape.centre.x()), float(shape.centre.y()), 0, 0, 0, 0);
        setColor(v[0], bar.color, coverage);
        for (int i = 0; i < outlinePoints; ++i) {
            Point& in = v[1 + i];
            in.x = float(inner[std::size_t(i)].x());
            in.y = float(inner[std::size_t(i)].y());
            setColor(in, bar.color, coverage);
            v[1 + outlinePoints + i].set(float(outer[std::size_t(i)].x()),
                                         float(outer[std::size_t(i)].y()), 0, 0, 0, 0);
        }
        for (int i = 0; i < outlinePoints; ++i) {
            const quint32 here = first + 1 + quint32(i);
            const quint32 next = first + 1 + quint32((i + 1) % outlinePoints);
            const quint32 outerHere = here + outlinePoints;
            const quint32 outerNext = next + outlinePoints;
            *index++ = first;
            *index++ = here;
            *index++ = next;
            *index++ = here;
            *index++ = outerHere;
            *index++ = outerNext;
            *index++ = here;
            *index++ = outerNext;
            *index++ = next;
        }
    }
    geometry.markVertexDataDirty();
    geometry.markIndexDataDirty();
}

} // namespace aru::WaveformBarGeometry
