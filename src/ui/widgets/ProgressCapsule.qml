import QtQuick
import Aru

// The waveform strips' line while no peaks are known: a full-width capsule with the played part
// over it in the accent, from the leading edge.
Item {
    id: line

    property real progress: 0
    property real thickness: 2

    implicitHeight: thickness

    Rectangle {
        anchors.verticalCenter: parent.verticalCenter
        width: parent.width
        height: line.thickness
        radius: height / 2
        color: Theme.borderSubDark
    }
    Rectangle {
        objectName: "playedLine"
        anchors.verticalCenter: parent.verticalCenter
        width: parent.width * Math.max(0, Math.min(line.progress, 1))
        height: line.thickness
        radius: height / 2
        color: Theme.accent
    }
}
