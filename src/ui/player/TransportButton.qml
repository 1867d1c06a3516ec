import QtQuick
import QtQuick.Controls.Basic
import Aru

// A plain button of the player bar: one symbol, an optional hover help, an optional circle.
Item {
    id: button

    property string icon
    property real iconSize: 14
    property color iconColor: Theme.textDimDark
    property real iconOffset: 0
    property string help
    property bool outlined: false
    signal clicked()

    implicitWidth: Math.max(iconSize + 8, 20)
    implicitHeight: implicitWidth

    Rectangle {
        anchors.fill: parent
        visible: button.outlined
        radius: width / 2
        color: "transparent"
        border.width: 1
        border.color: Theme.accent
    }
    Icon {
        anchors.centerIn: parent
        anchors.horizontalCenterOffset: button.iconOffset
        name: button.icon
        size: button.iconSize
        color: button.iconColor
    }
    MouseArea {
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: button.clicked()

        ToolTip.visible: button.help.length > 0 && containsMouse
        ToolTip.delay: 600
        ToolTip.text: button.help
    }
}
