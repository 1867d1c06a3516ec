#include "FlowLayout.h"

#include <algorithm>
#include <limits>

namespace aru {

FlowLayout::FlowLayout(QQuickItem* parent)
    : QQuickItem(parent) {}

QSizeF FlowLayout::sizeThatFits(const QList<QSizeF>& children, std::optional<qreal> proposedWidth,
                                qreal hSpacing, qreal vSpacing) {
    const qreal maxWidth = proposedWidth.value_or(std::numeric_limits<qreal>::infinity());
    qreal x = 0; // the running line's width, with one trailing gap
    qreal lineHeight = 0;
    qreal y = 0; // the finished lines, each with the gap after it
    qreal widest = 0;
    for (const QSizeF& child : children) {
        if (x > 0 && x + child.width() > maxWidth) {
            y += lineHeight + vSpacing;
            lineHeight = 0;
            x = 0;
        }
        x += child.width() + hSpacing;
        lineHeight = std::max(lineHeight, child.height());
        widest = std::max(widest, x - hSpacing);
    }
    return QSizeF(proposedWidth ? maxWidth : widest, y + lineHeight);
}

QList<QPointF> FlowLayout::placeSubviews(const QList<QSizeF>& children, const QRectF& bounds,
                                         qreal hSpacing, qreal vSpacing) {
    QList<QPointF> origins;
    origins.reserve(children.size());
    qreal x = bounds.left();
    qreal y = bounds.top();
    qreal lineHeight = 0;
    for (const QSizeF& child : children) {
        if (x > bounds.left() && x + child.width() > bounds.right()) {
            x = bounds.left();
            y += vSpacing + lineHeight;
            lineHeight = 0;
        }
        origins.append(QPointF(x, y));
        x += child.width() + hSpacing;
        lineHeight = std::max(lineHeight, child.height());
    }
    return origins;
}

void FlowLayout::setHSpacing(qreal spacing) {
    if (qFuzzyCompare(m_hSpacing, spacing))
        return;
    m_hSpacing = spacing;
    emit hSpacingChanged();
    polish();
}

void FlowLayout::setVSpacing(qreal spacing) {
    if (qFuzzyCompare(m_vSpacing, spacing))
        return;
    m_vSpacing = spacing;
    emit vSpacingChanged();
    polish();
}

void FlowLayout::componentComplete() {
    QQuickItem::componentComplete();
    for (QQuickItem* child : childItems())
        watch(child);
    polish();
}

void FlowLayout::itemChange(ItemChange change, const ItemChangeData& data) {
    QQuickItem::itemChange(change, data);
    if (change == ItemChildAddedChange)
        watch(data.item);
    if (change == ItemChildAddedChange || change == ItemChildRemovedChange ||
        change == ItemVisibleHasChanged)
        polish();
}

void FlowLayout::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.width() != oldGeometry.width())
        polish();
}

void FlowLayout::watch(QQuickItem* child) {
    // A child that changes size or visibility moves its followers. UniqueConnection: a child
    // reported both at completion and as added is watched once.
    connect(child, &QQuickItem::widthChanged, this, &QQuickItem::polish, Qt::UniqueConnection);
    connect(child, &QQuickItem::heightChanged, this, &QQuickItem::polish, Qt::UniqueConnection);
    connect(child, &QQuickItem::visibleChanged, this, &QQuickItem::polish, Qt::UniqueConnection);
}

QList<QQuickItem*> FlowLayout::laidOutChildren() const {
    QList<QQuickItem*> children;
    for (QQuickItem* child : childItems()) {
        // A Repeater is the children's factory, not one of them; a hidden child takes no place
        // (while the whole flow is hidden every child reads as hidden, so all of them count).
        if (child->inherits("QQuickRepeater"))
            continue;
        if (isVisible() && !child->isVisible())
            continue;
        children.append(child);
    }
    return children;
}

void FlowLayout::updatePolish() {
    const QList<QQuickItem*> children = laidOutChildren();
    QList<QSizeF> sizes;
    sizes.reserve(children.size());
    for (const QQuickItem* child : children)
        sizes.append(child->size());

    setImplicitWidth(sizeThatFits(sizes, std::nullopt, m_hSpacing, m_vSpacing).width());
    // Until a width is given, the flow is as wide as its single line.
    const std::optional<qreal> proposed =
        widthValid() ? std::optional<qreal>(width()) : std::nullopt;
    setImplicitHeight(sizeThatFits(sizes, proposed, m_hSpacing, m_vSpacing).height());

    const qreal boundsWidth = proposed.value_or(std::numeric_limits<qreal>::infinity());
    const QList<QPointF> origins =
        placeSubviews(sizes, QRectF(0, 0, boundsWidth, height()), m_hSpacing, m_vSpacing);
    for (qsizetype i = 0; i < children.size(); ++i)
        children[i]->setPosition(origins[i]);
}

} // namespace aru
