import QtQuick
import QtQuick.Controls.Basic
import Aru

// The WAV download button: its label ("WAV", or the download's per cent) in a fixed box so the
// button keeps its width, then a symbol, or a small progress ring while the track loads. A
// drag from it hands the file over once the row is ready.
Rectangle {
    id: button

    required property TrackDragController dragController
    // The symbol shown beside the label while the track is not loading.
    property string iconName: dragController.dragIcon
    property string toolTipText
    property real paddingH: Theme.accentButtonPaddingH
    property real paddingV: Theme.accentButtonPaddingV
    property real labelBoxWidth: 42
    property real labelLetterSpacing: Theme.labelLetterSpacing
    property real iconSize: 10
    property real ringSize: 12
    property real ringLineWidth: 1.6
    readonly property bool isLoading: dragController.effectiveDragState === TrackDragController.Loading

    signal clicked()

    implicitWidth: content.implicitWidth + 2 * paddingH
    implicitHeight: content.implicitHeight + 2 * paddingV
    color: Theme.accentSoft
    antialiasing: true

    Row {
        id: content
        anchors.centerIn: parent
        spacing: 4

        LabelText {
            objectName: "wavLabel"
            anchors.verticalCenter: parent.verticalCenter
            width: button.labelBoxWidth
            horizontalAlignment: Text.AlignHCenter
            text: button.dragController.wavLabel
            color: Theme.accent
            font.letterSpacing: button.labelLetterSpacing
        }
        Item {
            anchors.verticalCenter: parent.verticalCenter
            width: button.isLoading ? button.ringSize : icon.width
            height: button.isLoading ? button.ringSize : icon.height

            Icon {
                id: icon
                visible: !button.isLoading
                name: button.iconName
                size: button.iconSize
                color: Theme.accent
            }
            Loader {
                objectName: "wavRing"
                anchors.fill: parent
                active: button.isLoading
                sourceComponent: DownloadRing {
                    progress: button.dragController.progress >= 0 ? button.dragController.progress : undefined
                    lineWidth: button.ringLineWidth
                }
            }
        }
    }

    TapHandler {
        onTapped: button.clicked()
    }
    HoverHandler {
        id: hover
    }
    ToolTip.visible: hover.hovered && toolTipText !== ""
    ToolTip.delay: 600
    ToolTip.text: toolTipText

    TrackDragSource {
        dragController: button.dragController
    }
}
