import QtQuick
import QtQuick.Controls.Basic
import Aru

// The tab on the screen's right edge that opens and closes the collection: a tall strip with
// the rotated word, and the folder square, open while the collection is.
Item {
    id: handle
    objectName: "collectionHandle"

    property bool isOpen: false
    signal toggled()

    width: 56
    implicitWidth: 56

    Rectangle {
        anchors.fill: parent
        color: Qt.rgba(Theme.surfaceDark.r, Theme.surfaceDark.g, Theme.surfaceDark.b, 0.6)

        Rectangle {
            width: 1
            height: parent.height
            color: Theme.borderDark
        }
        Item {
            id: word
            anchors.centerIn: parent
            width: 16
            height: 110

            Text {
                anchors.centerIn: parent
                rotation: 90
                text: "COLLECTION"
                color: Theme.textMutedDark
                font.pointSize: 9.5 * 0.75
                font.weight: Font.DemiBold
                font.letterSpacing: 2
            }
        }
    }

    Rectangle {
        objectName: "folderSquare"
        // Stands on the strip just above the word, so it never covers the screen's own
        // controls on the right edge.
        anchors.horizontalCenter: parent.horizontalCenter
        y: word.y - height - 16
        width: 36
        height: 36
        color: Theme.surfaceDark
        border.width: 1
        border.color: Theme.borderDark

        FolderHandleIcon {
            anchors.fill: parent
            isOpen: handle.isOpen
        }
        MouseArea {
            anchors.fill: parent
            cursorShape: Qt.PointingHandCursor
            onClicked: handle.toggled()
        }
    }

    MouseArea {
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: handle.toggled()

        ToolTip.visible: containsMouse
        ToolTip.delay: 600
        ToolTip.text: AppState.preferences.t(handle.isOpen ? "sidebar.toggle.close"
                                                           : "sidebar.toggle.open")
    }
}
