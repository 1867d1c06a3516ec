#pragma once

#include <QList>
#include <QPolygonF>
#include <QQuickPaintedItem>
#include <QSizeF>
#include <QtQml/qqmlregistration.h>

namespace aru {

// The folder drawn on the sidebar's handle: the icon font's folder glyph while the sidebar is
// closed, an opened folder outline (back wall with its tab, front flap leaning forward) while it
// is open. Accent coloured, drawn in whatever frame the parent gives it.
class FolderHandleIcon : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(bool isOpen READ isOpen WRITE setOpen NOTIFY isOpenChanged)

public:
    // "folder" in Material Design Icons.
    static constexpr char16_t closedGlyph = 0xF24B;
    static constexpr int closedGlyphPixelSize = 14;
    static constexpr qreal outlineWidth = 1.4;
    static constexpr qreal outlineMargin = 5;

    // One stroked outline of the open folder.
    struct Outline {
        QPolygonF points;
        bool closed = false;
    };

    explicit FolderHandleIcon(QQuickItem* parent = nullptr);

    // The open folder's two outlines for a canvas of `size`: the back wall with its tab (open
    // path), then the front flap (closed path).
    static QList<Outline> openOutlines(const QSizeF& size);

    bool isOpen() const { return m_isOpen; }
    void setOpen(bool open);

    void paint(QPainter* painter) override;

signals:
    void isOpenChanged();

private:
    bool m_isOpen = false;
};

} // namespace aru
