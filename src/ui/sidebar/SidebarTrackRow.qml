import QtQuick
import QtQuick.Controls.Basic
import Aru

// TEMPORARY stand-in for the collection sidebar's track row, with the real row's interface, so
// the sidebar panel builds and is tested before the full row arrives; the full row replaces this
// file when the two branches merge.
Item {
    id: row
    objectName: "sidebarTrackRow"

    required property var track
    property bool showsRemoveButton: false

    implicitHeight: 72

    Column {
        anchors { left: parent.left; leftMargin: 24; verticalCenter: parent.verticalCenter }
        spacing: 2

        Text {
            text: row.track.title
            color: Theme.textDark
            font: Theme.fontTitle
        }
        Text {
            text: row.track.artist.toUpperCase()
            color: Theme.textMutedDark
            font.pixelSize: 10
        }
    }

    AbstractButton {
        objectName: "removeButton"
        visible: row.showsRemoveButton
        anchors { right: parent.right; rightMargin: 24; verticalCenter: parent.verticalCenter }
        width: 22
        height: 22
        onClicked: AppState.favorites.toggleFavorite(row.track.id)
        contentItem: Icon { name: "xmark"; size: 10; color: Theme.textMutedDark }
    }

    Rectangle {
        anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
        height: 1
        color: Theme.borderDark
    }
}
