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

// A vertex's colour, premultiplied as the material wants.
Point colourOf(const QColor& color, qreal coverage) {
    const qreal a = color.alphaF() * coverage;
    Point p{};
    p.r = uchar(qRound(color.redF() * a * 255));
    p.g = uchar(qRound(color.greenF() * a * 255));
    p.b = uchar(qRound(color.blueF() * a * 255));
    p.a = uchar(qRound(a * 255));
    return p;
}

Point at(const QPointF& position, Point colour) {
    colour.x = float(position.x());
    colour.y = float(position.y());
    return colour;
}

// The triangles of every bar: they depend only on how many bars there are.
void writeIndices(QSGGeometry& geometry, qsizetype barCount) {
    quint32* index = geometry.indexDataAsUInt();
    for (qsizetype b = 0; b < barCount; ++b) {
        const quint32 centre = quint32(b * verticesPerBar);
        for (int i = 0; i < outlinePoints; ++i) {
            const quint32 here = centre + 1 + quint32(i);
            const quint32 next = centre + 1 + quint32((i + 1) % outlinePoints);
            const quint32 outerHere = here + outlinePoints;
            const quint32 outerNext = next + outlinePoints;
            for (const quint32 v :
                 {centre, here, next, here, outerHere, outerNext, here, outerNext, next})
                *index++ = v;
        }
    }
    geometry.markIndexDataDirty();
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
    const int vertexCount = int(bars.size()) * verticesPerBar;
    const int indexCount = int(bars.size()) * indicesPerBar;
    // A new progress changes only colours: the triangles stay.
    if (geometry.vertexCount() != vertexCount || geometry.indexCount() != indexCount) {
        geometry.allocate(vertexCount, indexCount);
        writeIndices(geometry, bars.size());
    }
    Point* vertex = geometry.vertexDataAsColoredPoint2D();
    const qreal edge = 0.5 / std::max(devicePixelRatio, 1.0);
    const Point transparent{};

    for (const auto& bar : bars) {
        const Outline shape{bar.rect.center(), bar.rect.width() / 2, bar.rect.height() / 2,
                            bar.radius};
        // Thinner than the soft edge on either side, the bar covers only part of its pixels.
        const qreal coverage = std::min(1.0, bar.rect.width() / (2 * edge)) *
                               std::min(1.0, bar.rect.height() / (2 * edge));
        const Point colour = colourOf(bar.color, coverage);
        const auto inner = outlinePointsOf(shape.grownBy(-edge));
        const auto outer = outlinePointsOf(shape.grownBy(edge));

        *vertex++ = at(shape.centre, colour);
        for (const QPointF& p : inner)
            *vertex++ = at(p, colour);
        for (const QPointF& p : outer)
            *vertex++ = at(p, transparent);
    }
    geometry.markVertexDataDirty();
}

} // namespace aru::WaveformBarGeometry
