import QtQuick
import QtQuick.Controls.Basic
import Aru

// One track of the collection sidebar: cover, title and artist with a play button and the inline
// waveform, the WAV button and, in the favourites tab, a button that removes the favourite. The
// row can be dragged out like a catalogue row once its file is ready; it has no drag badge and
// does not follow waveform loading.
Item {
    id: row
    objectName: "sidebarTrackRow"

    required property var track
    property bool showsRemoveButton: false
    readonly property alias controller: controller
    readonly property alias dragController: dragController

    implicitHeight: Math.max(cover.height, middle.implicitHeight, trailing.implicitHeight) + 2 * 10

    TrackRowController {
        id: controller
        appState: AppState
        track: row.track
    }
    TrackDragController {
        id: dragController
        appState: AppState
        track: row.track
        followsWaveforms: false
    }

    Item {
        id: cover
        objectName: "coverBlock"
        x: 24
        y: 10
        width: 48
        height: 48

        Rectangle {
            anchors.fill: parent
            radius: 2
            color: Theme.surface2Dark
        }
        Image {
            objectName: "coverImage"
            anchors.fill: parent
            source: controller.coverSource
            sourceSize: Qt.size(96, 96)
            fillMode: Image.PreserveAspectCrop
            asynchronous: true
            clip: true
        }
        TrackDragSource {
            dragController: dragController
        }
    }

    Column {
        id: middle
        x: cover.x + cover.width + 12
        y: 10
        width: trailing.x - 12 - x
        spacing: 4

        Column {
            objectName: "titleBlock"
            width: parent.width
            spacing: 2

            Text {
                objectName: "titleText"
                width: parent.width
                elide: Text.ElideRight
                text: row.track.title
                color: Theme.textDark
                font: Theme.fontTitle
            }
            Text {
                objectName: "artistText"
                width: parent.width
                elide: Text.ElideRight
                text: row.track.artist
                color: Theme.textMutedDark
                font.pointSize: 9.5 * 0.75
                font.weight: Font.Medium
                font.letterSpacing: 1
                font.capitalization: Font.AllUppercase
            }
            TrackDragSource {
                dragController: dragController
            }
        }

        Row {
            objectName: "playerLine"
            width: parent.width
            spacing: 6

            PlayButton {
                objectName: "playButton"
                anchors.verticalCenter: parent.verticalCenter
                diameter: 22
                isPlaying: controller.isPlaying
                glyphColor: Theme.accent
                onClicked: controller.togglePlay()
            }
            InlineWaveform {
                objectName: "inlineWaveform"
                anchors.verticalCenter: parent.verticalCenter
                width: parent.width - 22 - parent.spacing
                height: 24
                areaHeight: 24
                track: row.track
                pendingSeekPercent: controller.pendingSeekPercent
                onPendingSeekPicked: fraction => controller.pendingSeekPercent = fraction
            }
        }
    }

    Column {
        id: trailing
        anchors.right: parent.right
        anchors.rightMargin: 24
        y: 10
        spacing: 6

        WavButton {
            objectName: "wavButton"
            anchors.right: parent.right
            dragController: dragController
            iconName: dragController.canDrag ? "square.grid.3x3.fill" : "arrow.down"
            paddingH: 8
            paddingV: 4
            labelBoxWidth: 38
            labelLetterSpacing: 1
            iconSize: 9
            ringSize: 10
            ringLineWidth: 1.4
            onClicked: dragController.downloadOrPrepare()
        }
        Item {
            objectName: "removeButton"
            anchors.right: parent.right
            visible: row.showsRemoveButton
            width: 22
            height: 22

            Icon {
                anchors.centerIn: parent
                name: "xmark"
                size: 10
                color: Theme.textMutedDark
                font.weight: Font.DemiBold
            }
            TapHandler {
                onTapped: controller.toggleFavorite()
            }
            HoverHandler {
                id: removeHover
            }
            ToolTip.visible: removeHover.hovered
            ToolTip.delay: 600
            ToolTip.text: AppState.preferences.t("sidebar.removeFavorite")
        }
    }

    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: Theme.borderDark
    }
}
