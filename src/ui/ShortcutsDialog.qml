import QtQuick
import QtQuick.Controls.Basic
import Aru

// The catalogue screen's keys, in the interface's language.
Dialog {
    id: dialog
    objectName: "shortcutsDialog"
    modal: true
    x: (parent.width - width) / 2
    y: (parent.height - height) / 2
    padding: 32
    standardButtons: Dialog.Ok

    readonly property var shortcuts: [
        { keys: "↑  ↓  ⇞  ⇟  ⇱  ⇲", text: "shortcuts.select" },
        { keys: "Enter", text: "shortcuts.play" },
        { keys: "Space", text: "shortcuts.pause" },
        { keys: "←  →", text: "shortcuts.seek" },
        { keys: "F", text: "shortcuts.favorite" },
        { keys: "D", text: "shortcuts.download" },
        { keys: "I", text: "shortcuts.info" },
        { keys: "Ctrl+F  /", text: "shortcuts.search" },
        { keys: "Esc", text: "shortcuts.escape" }
    ]

    background: Rectangle {
        color: Theme.surface2Dark
        border.width: 1
        border.color: Theme.borderSubDark
    }

    Column {
        spacing: 16

        Text {
            text: AppState.preferences.t("shortcuts.title")
            color: Theme.textDark
            font: Theme.fontTitle
        }
        Column {
            spacing: 8

            Repeater {
                model: dialog.shortcuts

                Row {
                    required property var modelData
                    spacing: 24

                    Text {
                        width: 140
                        text: modelData.keys
                        color: Theme.accent
                        font.pixelSize: 12
                        font.family: "monospace"
                    }
                    Text {
                        text: AppState.preferences.t(modelData.text)
                        color: Theme.textDimDark
                        font: Theme.fontBodySmall
                    }
                }
            }
        }
        Text {
            width: 480
            text: AppState.preferences.t("shortcuts.audition")
            color: Theme.textMutedDark
            font: Theme.fontBodySmall
            wrapMode: Text.Wrap
        }
    }
}
