#pragma once

#include <QObject>
#include <QtQmlIntegration>

class QQmlEngine;
class QJSEngine;

namespace aru {

// The catalogue screen's measurements that follow from the window's width.
class CatalogLayout : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    // The collection panel never covers the last this many points of the screen, so the handle
    // and a strip of the list stay visible beside it.
    static constexpr qreal uncoveredWidth = 74;
    static constexpr qreal narrowestPanel = 280;
    static constexpr qreal narrowestWidePanel = 480;

    // A compact screen gets a panel over all but the uncovered strip; a wide one half of it,
    // never narrower than a wide panel nor wider than the compact rule allows.
    Q_INVOKABLE static qreal collectionPanelWidth(qreal screenWidth);
};

} // namespace aru
