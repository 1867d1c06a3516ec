import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Dialogs
import Aru

// The search bar's image button: click to pick a picture, or drop one on it; the picture's tags
// become the catalogue's search text. The flow lives in ImageSearchController; this file only
// lays it out. Its texts are fixed French texts, whatever the interface language.
AbstractButton {
    id: button
    objectName: "imageSearchButton"
    implicitWidth: 42
    implicitHeight: 36
    padding: 0
    hoverEnabled: true
    focusPolicy: Qt.NoFocus

    readonly property alias controller: controller

    ImageSearchController {
        id: controller
        appState: AppState
    }

    onClicked: fileDialog.open()

    FileDialog {
        id: fileDialog
        objectName: "imageFileDialog"
        // Found by the dialog only when the button already sits in a window as it is made.
        parentWindow: button.Window.window
        fileMode: FileDialog.OpenFile
        nameFilters: controller.nameFilters
        title: "Choisir une image pour rechercher des morceaux qui matchent l'ambiance"
        acceptLabel: "Analyser"
        onAccepted: controller.analyzeFile(selectedFile)
    }

    // Any drop is taken; only the first file is analysed, and one that is no picture ends there.
    DropArea {
        objectName: "imageDropArea"
        anchors.fill: parent
        onDropped: drop => {
            controller.analyzeDrop(drop.urls)
            drop.accept()
        }
    }

    background: Rectangle {
        color: button.hovered ? Theme.accentSoft : Theme.surfaceDark
        border.width: 1
        border.color: Theme.borderDark
    }

    contentItem: Item {
        Icon {
            objectName: "imageSearchIcon"
            anchors.centerIn: parent
            visible: !controller.isLoading
            name: "photo.on.rectangle.angled"
            size: 14
            color: Theme.accent
        }
        BusyIndicator {
            objectName: "imageSearchSpinner"
            anchors.centerIn: parent
            visible: controller.isLoading
            running: visible
            implicitWidth: 32
            implicitHeight: 32
            padding: 0
            scale: 0.6
            palette.dark: Theme.accent
        }
    }

    ToolTip.visible: hovered
    ToolTip.delay: 500
    ToolTip.text: controller.toolTip
}
