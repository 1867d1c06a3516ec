import QtQuick
import QtQuick.Controls.Basic
import Aru

// The badge on a row's cover: a download arrow while nothing is prepared (a click fetches a copy
// for dragging), a progress ring while the track loads, the accent grid once it can be dragged.
// Only the arrow takes clicks.
Item {
    id: badge

    required property TrackDragController dragController
    readonly property int look: dragController.effectiveDragState
    readonly property bool isLoading: look === TrackDragController.Loading

    width: isLoading ? 26 : 22
    height: width

    Rectangle {
        objectName: "badgeCircle"
        anchors.fill: parent
        radius: width / 2
        color: badge.look === TrackDragController.Ready ? Theme.accent : Qt.rgba(0, 0, 0, 0.85)
        border.width: badge.isLoading ? 0 : 1
        border.color: badge.look === TrackDragController.Ready ? Theme.accent : Qt.rgba(1, 1, 1, 0.25)
        antialiasing: true
    }
    Icon {
        objectName: "badgeIcon"
        anchors.centerIn: parent
        visible: !badge.isLoading
        name: badge.look === TrackDragController.Ready ? "square.grid.3x3.fill" : "arrow.down"
        size: 9
        color: badge.look === TrackDragController.Ready ? Theme.bgDark : Theme.textDimDark
        font.weight: badge.look === TrackDragController.Ready ? Font.Bold : Font.DemiBold
    }
    Loader {
        objectName: "badgeRing"
        anchors.fill: parent
        anchors.margins: 2
        active: badge.isLoading
        sourceComponent: DownloadRing {
            progress: badge.dragController.progress >= 0 ? badge.dragController.progress : undefined
            lineWidth: 2.2
            showsPercent: true
        }
    }

    TapHandler {
        enabled: badge.dragController.dragState === TrackDragController.Idle
        onTapped: badge.dragController.prepareForDrag()
    }
    HoverHandler {
        id: hover
    }
    ToolTip.visible: hover.hovered
    ToolTip.delay: 600
    // While the ring shows, the help is the download's ("Downloading… 42 %").
    ToolTip.text: isLoading ? dragController.dragHelp : AppState.preferences.t("drag.help.idle")
}
