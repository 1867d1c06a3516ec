import QtQuick
import Aru

// A filter choice: outlined text, in the accent while it is the active choice.
Rectangle {
    id: button

    property alias text: label.text
    property alias letterSpacing: label.font.letterSpacing
    property bool active: false
    signal clicked()

    implicitWidth: label.implicitWidth + 2 * 10
    implicitHeight: label.implicitHeight + 2 * 4
    color: "transparent"
    border.width: 1
    border.color: active ? Theme.accent : Theme.borderDark

    Text {
        id: label
        anchors.centerIn: parent
        color: button.active ? Theme.accent : Theme.textMutedDark
        font.pointSize: 10.5 * 0.75
        font.weight: Font.Medium
    }
    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: button.clicked()
    }
}
