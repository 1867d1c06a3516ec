import QtQuick
import Aru

// The collection over the screen: a scrim that closes it, the panel sliding in from the right
// edge, and the handle riding on the panel's outer edge.
Item {
    id: overlay
    objectName: "collectionOverlay"

    property bool open: false
    // 0 the favourites, 1 the downloads; kept while the panel is closed.
    property int tab: 0
    readonly property real panelWidth: CatalogLayout.collectionPanelWidth(width)
    // How far the panel has slid in, 0 to 1.
    property real shown: open ? 1 : 0

    Behavior on shown {
        NumberAnimation {
            duration: 250
            easing.type: Easing.InOutQuad
        }
    }

    Rectangle {
        objectName: "collectionScrim"
        anchors.fill: parent
        color: "black"
        opacity: 0.4 * overlay.shown
        visible: overlay.shown > 0

        MouseArea {
            anchors.fill: parent
            enabled: overlay.open
            onClicked: overlay.open = false
        }
    }

    Loader {
        id: panelLoader
        // A fresh panel each time it opens, so its own search text starts empty.
        active: overlay.shown > 0
        x: overlay.width - overlay.panelWidth * overlay.shown
        width: overlay.panelWidth
        height: overlay.height

        sourceComponent: SidebarPanel {
            tab: overlay.tab
            onTabChanged: overlay.tab = tab
            isOpen: overlay.open
            onIsOpenChanged: if (!isOpen) overlay.open = false
        }
    }

    CollectionHandle {
        x: overlay.width - width - overlay.panelWidth * overlay.shown
        height: overlay.height
        isOpen: overlay.open
        onToggled: overlay.open = !overlay.open
    }
}
