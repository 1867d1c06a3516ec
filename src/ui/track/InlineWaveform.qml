import QtQuick
import Aru

// The waveform strip of a track row: position, bars, length. The row owns the start point picked
// on a track that is not playing: it hands it in as pendingSeekPercent and keeps each pick the
// strip reports.
Item {
    id: strip

    required property var track
    property var pendingSeekPercent
    property real areaHeight: 28
    readonly property alias controller: controller

    signal pendingSeekPicked(real fraction)

    implicitHeight: areaHeight

    InlineWaveformController {
        id: controller
        appState: AppState
        track: strip.track
        pendingSeekPercent: strip.pendingSeekPercent
        onPendingSeekPicked: fraction => strip.pendingSeekPicked(fraction)
    }

    Row {
        anchors.fill: parent
        spacing: 8

        StripTimeText {
            objectName: "positionText"
            anchors.verticalCenter: parent.verticalCenter
            text: controller.positionText
            color: Theme.textMutedDark
        }
        WaveformSeekArea {
            objectName: "waveformArea"
            width: parent.width - 2 * (36 + parent.spacing)
            height: strip.areaHeight
            anchors.verticalCenter: parent.verticalCenter
            controller: controller
        }
        StripTimeText {
            objectName: "durationText"
            anchors.verticalCenter: parent.verticalCenter
            horizontalAlignment: Text.AlignRight
            text: controller.durationText
            color: Theme.textFaintDark
        }
    }
}
