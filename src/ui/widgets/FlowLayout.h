#pragma once

#include <QList>
#include <QPointF>
#include <QQuickItem>
#include <QRectF>
#include <QSizeF>
#include <QtQml/qqmlregistration.h>
#include <optional>

namespace aru {

// A container that lays its children out in order on lines, wrapping to a new line when the next
// child would cross the right edge. Children keep their own size; nothing is stretched. The first
// child of a line never wraps, so one child wider than the container overflows on its own line.
//
// The item's implicit width is the width of all children on one line; its implicit height is the
// height the children need at the item's current width (or on one line while no width was set).
class FlowLayout : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(qreal hSpacing READ hSpacing WRITE setHSpacing NOTIFY hSpacingChanged)
    Q_PROPERTY(qreal vSpacing READ vSpacing WRITE setVSpacing NOTIFY vSpacingChanged)

public:
    static constexpr qreal defaultSpacing = 6;

    explicit FlowLayout(QQuickItem* parent = nullptr);

    // The size the children of these sizes need when offered `proposedWidth` (none: unlimited).
    // A proposed width is claimed in full; only an unlimited one yields the widest line.
    static QSizeF sizeThatFits(const QList<QSizeF>& children, std::optional<qreal> proposedWidth,
                               qreal hSpacing = defaultSpacing, qreal vSpacing = defaultSpacing);
    // The top-left corner of each child inside `bounds`. Wraps exactly where sizeThatFits does
    // for the bounds' width, so the measured height matches the placement.
    static QList<QPointF> placeSubviews(const QList<QSizeF>& children, const QRectF& bounds,
                                        qreal hSpacing = defaultSpacing,
                                        qreal vSpacing = defaultSpacing);

    qreal hSpacing() const { return m_hSpacing; }
    void setHSpacing(qreal spacing);
    qreal vSpacing() const { return m_vSpacing; }
    void setVSpacing(qreal spacing);

signals:
    void hSpacingChanged();
    void vSpacingChanged();

protected:
    void componentComplete() override;
    void itemChange(ItemChange change, const ItemChangeData& data) override;
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;
    void updatePolish() override;

private:
    QList<QQuickItem*> laidOutChildren() const;
    void watch(QQuickItem* child);

    qreal m_hSpacing = defaultSpacing;
    qreal m_vSpacing = defaultSpacing;
};

} // namespace aru
