#include "FolderHandleIcon.h"

#include "FontRegistry.h"
#include "Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <utility>

namespace aru {

namespace {

using Point = std::pair<qreal, qreal>;

// Corners as fractions of the drawing area inside the margins, y growing downwards.
constexpr Point backWall[] = {{0, 0.55},    {0, 0.2},    {0.08, 0.2}, {0.18, 0.05},
                              {0.42, 0.05}, {0.52, 0.2}, {1, 0.2},    {1, 0.55}};
constexpr Point frontFlap[] = {{0.05, 0.45}, {0.92, 0.45}, {1, 1}, {0, 1}};

template <std::size_t N> QPolygonF scaled(const Point (&points)[N], const QSizeF& size) {
    const qreal m = FolderHandleIcon::outlineMargin;
    const qreal w = size.width() - 2 * m;
    const qreal h = size.height() - 2 * m;
    QPolygonF polygon;
    for (const auto& [a, b] : points)
        polygon.append(QPointF(m + a * w, m + b * h));
    return polygon;
}

} // namespace

FolderHandleIcon::FolderHandleIcon(QQuickItem* parent)
    : QQuickPaintedItem(parent) {
    setAntialiasing(true);
}

QList<FolderHandleIcon::Outline> FolderHandleIcon::openOutlines(const QSizeF& size) {
    return {Outline{scaled(backWall, size), false}, Outline{scaled(frontFlap, size), true}};
}

void FolderHandleIcon::setOpen(bool open) {
    if (m_isOpen == open)
        return;
    m_isOpen = open;
    emit isOpenChanged();
    update();
}

void FolderHandleIcon::paint(QPainter* painter) {
    painter->setRenderHint(QPainter::Antialiasing);
    if (!m_isOpen) {
        QFont font(FontRegistry::iconFamily());
        font.setPixelSize(closedGlyphPixelSize);
        painter->setFont(font);
        painter->setPen(Theme::Color::accent);
        painter->drawText(QRectF(QPointF(0, 0), size()), Qt::AlignCenter,
                          QString(QChar(closedGlyph)));
        return;
    }
    QPen pen(Theme::Color::accent, outlineWidth);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    for (const Outline& outline : openOutlines(size())) {
        QPainterPath path;
        path.addPolygon(outline.points);
        if (outline.closed)
            path.closeSubpath();
        painter->drawPath(path);
    }
}

} // namespace aru
