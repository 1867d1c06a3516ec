import QtQuick
import Aru

// Makes its parent a source of the track's file for other applications while the row is ready:
// dragging it hands the staged WAV over as a file list, to be copied.
DragHandler {
    required property TrackDragController dragController

    target: null
    enabled: dragController.canDrag
    onActiveChanged: {
        if (active)
            dragController.startDrag(parent)
    }
}
