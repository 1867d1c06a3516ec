import QtQuick
import Aru

// The part of a waveform strip that takes the pointer: the bars, or the placeholder line while
// there are none, under one press-drag-release that starts at zero distance (a click counts).
// It keeps the pointer for itself, so neither a list nor a drag of the row can take it away.
Item {
    id: area

    required property WaveformStripController controller
    // The placeholder line's thickness, and the height of the line's own box within the area.
    property real lineThickness: 2
    property real lineBoxHeight: lineThickness

    WaveformBars {
        objectName: "waveformBars"
        anchors.fill: parent
        visible: area.controller.hasPeaks
        peaks: area.controller.peaks
        progress: area.controller.progress
    }
    Item {
        anchors.verticalCenter: parent.verticalCenter
        width: parent.width
        height: area.lineBoxHeight
        visible: !area.controller.hasPeaks

        ProgressCapsule {
            objectName: "placeholderLine"
            anchors.verticalCenter: parent.verticalCenter
            width: parent.width
            thickness: area.lineThickness
            progress: area.controller.progress
        }
    }
    MouseArea {
        objectName: "seekArea"
        anchors.fill: parent
        preventStealing: true
        onPressed: mouse => area.controller.dragTo(mouse.x, width)
        onPositionChanged: mouse => area.controller.dragTo(mouse.x, width)
        onReleased: mouse => area.controller.release(mouse.x, width)
        onCanceled: area.controller.cancelDrag()
    }
}
