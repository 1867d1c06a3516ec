import QtQuick
import QtQuick.Controls.Basic
import Aru

// One tab header of the collection sidebar: its title centred over the full width, the accent
// and an accent underline while active.
AbstractButton {
    id: button

    property string title
    property bool active: false

    padding: 0
    topPadding: 12
    bottomPadding: 12
    focusPolicy: Qt.NoFocus

    contentItem: Text {
        objectName: button.objectName + "Title"
        text: button.title
        horizontalAlignment: Text.AlignHCenter
        color: button.active ? Theme.accent : Theme.textMutedDark
        // 10.5 logical pixels: through points at Qt's 96 dpi.
        font.pointSize: 10.5 * 0.75
        font.weight: Font.Medium
        font.letterSpacing: 1.5
    }

    background: Item {
        Rectangle {
            anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
            height: 1
            color: button.active ? Theme.accent : "transparent"
        }
    }
}
