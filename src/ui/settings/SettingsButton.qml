import QtQuick
import QtQuick.Controls.Basic
import Aru

// The settings sheet's small bordered button.
AbstractButton {
    id: button

    leftPadding: 10
    rightPadding: 10
    topPadding: 4
    bottomPadding: 4
    focusPolicy: Qt.NoFocus
    hoverEnabled: true
    font.pixelSize: 11

    background: Rectangle {
        radius: 2
        color: button.down ? Theme.borderDark : button.hovered ? Theme.surface2Dark : "transparent"
        border.width: 1
        border.color: Theme.borderSubDark
    }
    contentItem: Text {
        text: button.text
        font: button.font
        color: Theme.textDimDark
    }
}
