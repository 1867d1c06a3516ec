import QtQuick
import Aru

// Temporary stand-in for the track row while the real one is being built elsewhere.
Rectangle {
    id: row
    objectName: "trackRow"
    required property var track
    implicitHeight: 108
    height: implicitHeight
    color: "transparent"
    Text {
        objectName: "trackRowTitle"
        x: AppState.layout.pageH
        anchors.verticalCenter: parent.verticalCenter
        text: row.track ? row.track.title : ""
        color: Theme.textDark
        font: Theme.fontTrackTitle
    }
    MouseArea {
        objectName: "trackRowPlay"
        anchors.fill: parent
        onClicked: AppState.playback.audioPlayer.play(row.track)
    }
    Rectangle { anchors.bottom: parent.bottom; width: parent.width; height: 1; color: Theme.borderDark }
}
