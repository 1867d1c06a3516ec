import QtQuick
import QtQuick.Controls.Basic
import Aru

// The tags the search text stands for, as chips; while the server interprets a text and no
// tags are known yet, a busy line. Takes no space when it has nothing to show.
Rectangle {
    id: bar
    objectName: "semanticChipsBar"

    readonly property var tags: AppState.search.allSemanticTags
    readonly property bool busy: AppState.search.aiSearching && tags.length === 0

    readonly property bool hasContent: tags.length > 0 || AppState.search.aiSearching

    // Folded to no height rather than hidden: showing a hidden item takes the scene graph of
    // everything after it (the whole track list) out and puts it back.
    implicitHeight: hasContent ? flow.implicitHeight + 2 * 6 : 0
    color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.04)

    FlowLayout {
        id: flow
        x: AppState.layout.pageH
        y: 6
        width: bar.width - x - AppState.layout.pageTrailing

        Row {
            visible: bar.busy
            spacing: 6

            BusyIndicator {
                objectName: "aiBusyIndicator"
                anchors.verticalCenter: parent.verticalCenter
                width: 12
                height: 12
                padding: 0
                running: bar.busy
                palette.dark: Theme.textMutedDark
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: AppState.preferences.t("catalog.search.aiBusy")
                color: Theme.textMutedDark
                font.pointSize: 10.5 * 0.75
                font.weight: Font.Medium
                font.letterSpacing: 1
                font.capitalization: Font.AllUppercase
            }
        }
        Repeater {
            model: bar.tags

            Rectangle {
                required property string modelData
                objectName: "semanticChip"
                implicitWidth: chipText.implicitWidth + 2 * 8
                implicitHeight: chipText.implicitHeight + 2 * 3
                color: "transparent"
                border.width: 1
                border.color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.5)

                Text {
                    id: chipText
                    anchors.centerIn: parent
                    text: parent.modelData
                    color: Theme.accent
                    font.pointSize: 10.5 * 0.75
                    font.weight: Font.Medium
                    font.letterSpacing: 1
                }
            }
        }
    }
}
