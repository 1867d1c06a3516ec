#pragma once

#include <QObject>
#include <QtQmlIntegration>

namespace aru {

// The two lists of the collection sidebar; QML writes SidebarTab.Favorites.
namespace SidebarTab {
Q_NAMESPACE
QML_ELEMENT

enum Tab {
    Favorites,
    Downloads,
};
Q_ENUM_NS(Tab)

} // namespace SidebarTab
} // namespace aru
