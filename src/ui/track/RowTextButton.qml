import QtQuick
import Aru

// The row's small outlined text buttons (INFO, LICENSE): 10.5 medium, tracked, on a filled box
// with a one-point outline.
Rectangle {
    id: button

    property alias text: label.text
    property color textColor: Theme.textMutedDark
    property color fillColor: Theme.surface2Dark
    property color outlineColor: Theme.borderDark

    signal clicked()

    implicitWidth: label.implicitWidth + 16
    implicitHeight: label.implicitHeight + 8
    color: fillColor
    border.width: 1
    border.color: outlineColor

    Text {
        id: label
        anchors.centerIn: parent
        color: button.textColor
        // 10.5 logical pixels: pixel sizes are whole, so through points at Qt's 96 dpi.
        font.pointSize: 10.5 * 0.75
        font.weight: Font.Medium
        font.letterSpacing: 1
    }
    TapHandler {
        onTapped: button.clicked()
    }
}
