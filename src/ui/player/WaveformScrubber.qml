import QtQuick
import Aru

// The sticky player's waveform of the current track: position, bars, length, all seekable.
Item {
    id: scrubber

    required property var track
    readonly property alias controller: controller

    implicitHeight: 36

    WaveformScrubberController {
        id: controller
        appState: AppState
        track: scrubber.track
    }

    Row {
        anchors.fill: parent
        spacing: 8

        StripTimeText {
            objectName: "positionText"
            anchors.verticalCenter: parent.verticalCenter
            horizontalAlignment: Text.AlignRight
            text: controller.positionText
            color: Theme.textMutedDark
        }
        WaveformSeekArea {
            objectName: "waveformArea"
            width: parent.width - 2 * (36 + parent.spacing)
            height: 36
            anchors.verticalCenter: parent.verticalCenter
            controller: controller
            lineThickness: 4
            lineBoxHeight: 14
        }
        StripTimeText {
            objectName: "durationText"
            anchors.verticalCenter: parent.verticalCenter
            text: controller.durationText
            color: Theme.textFaintDark
        }
    }
}
