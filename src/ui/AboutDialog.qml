import QtQuick
import QtQuick.Controls.Basic
import Aru

// The about panel: the application's name and version.
Dialog {
    id: dialog
    objectName: "aboutDialog"
    modal: true
    x: (parent.width - width) / 2
    y: (parent.height - height) / 2
    padding: 32
    standardButtons: Dialog.Ok

    background: Rectangle {
        color: Theme.surface2Dark
        border.width: 1
        border.color: Theme.borderSubDark
    }

    Column {
        spacing: 8

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: Qt.application.name
            color: Theme.textDark
            font.family: Theme.displayFamily
            font.weight: Font.Light
            font.pixelSize: 32
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Version " + Qt.application.version
            color: Theme.textMutedDark
            font.pixelSize: 12
        }
    }
}
