import QtQuick
import Aru

// One catalogue track in the list: cover with its drag badge, title line, play button and
// waveform, mood chips and actions, and an info panel that unfolds below. Rows are made and
// dropped as the list scrolls; everything they show comes from their controllers.
Item {
    id: row
    objectName: "trackRow"

    required property var track
    property bool showInfo: false
    readonly property alias controller: controller
    readonly property alias dragController: dragController

    implicitHeight: line.height + infoBox.height

    // The list recycles rows: one that comes back for another track starts folded. A refreshed
    // copy of the same track (a reloaded catalogue) keeps the panel as it was.
    property double infoTrackId: -1
    Component.onCompleted: infoTrackId = track.id
    onTrackChanged: {
        if (track.id !== infoTrackId) {
            infoTrackId = track.id
            showInfo = false
        }
    }

    TrackRowController {
        id: controller
        appState: AppState
        track: row.track
    }
    TrackDragController {
        id: dragController
        appState: AppState
        track: row.track
    }

    Rectangle {
        id: line
        objectName: "rowLine"
        width: parent.width
        height: Math.max(cover.height, left.implicitHeight, right.implicitHeight) + 2 * Theme.rowV
        // Opaque, in the page's own colour: the software renderer can hand back a see-through
        // row's picture with black where the row shows nothing (the first row after a search).
        color: controller.isCurrent
               ? Qt.tint(Theme.bgDark, Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.04))
               : Theme.bgDark
        // Drawn once into a picture of its own, redrawn only when something in it changes: a
        // list that scrolls then moves a picture per row instead of painting every text, chip
        // and bar again each frame, which is most of a frame's work without a GPU.
        layer.enabled: true

        Column {
            id: left
            x: cover.x + cover.width + Theme.coverGap
            width: right.x - Theme.coverGap - x
            anchors.verticalCenter: parent.verticalCenter
            spacing: 4

            Item {
                id: titleLine
                objectName: "titleLine"
                width: parent.width
                height: titleRow.height

                Row {
                    id: titleRow
                    spacing: 8

                    Text {
                        objectName: "titleText"
                        anchors.verticalCenter: parent.verticalCenter
                        width: Math.min(implicitWidth, titleLine.width - artist.width - genre.width - 2 * parent.spacing)
                        elide: Text.ElideRight
                        text: row.track.title
                        color: Theme.textDark
                        font: Theme.fontTrackTitle
                    }
                    Text {
                        id: artist
                        objectName: "artistText"
                        anchors.verticalCenter: parent.verticalCenter
                        text: row.track.artist
                        color: Theme.accent
                        font.pixelSize: 11
                        font.weight: Font.Medium
                        font.letterSpacing: 1.5
                        font.capitalization: Font.AllUppercase
                    }
                    LabelText {
                        id: genre
                        objectName: "genreText"
                        anchors.verticalCenter: parent.verticalCenter
                        visible: text !== ""
                        width: visible ? implicitWidth : 0
                        text: row.track.genre
                        color: Theme.tagGenre
                        font.letterSpacing: 1
                    }
                }
                TrackDragSource {
                    dragController: dragController
                }
            }

            Row {
                objectName: "playerLine"
                width: parent.width
                spacing: 8

                PlayButton {
                    objectName: "playButton"
                    anchors.verticalCenter: parent.verticalCenter
                    isPlaying: controller.isPlaying
                    glyphColor: controller.isCurrent ? Theme.accent : Theme.textDimDark
                    onClicked: controller.togglePlay()
                }
                InlineWaveform {
                    objectName: "inlineWaveform"
                    anchors.verticalCenter: parent.verticalCenter
                    width: parent.width - 28 - parent.spacing
                    height: 28
                    track: row.track
                    pendingSeekPercent: controller.pendingSeekPercent
                    onPendingSeekPicked: fraction => controller.pendingSeekPercent = fraction
                }
            }
        }

        Column {
            id: right
            anchors.right: parent.right
            anchors.rightMargin: AppState.layout.pageTrailing
            anchors.verticalCenter: parent.verticalCenter
            spacing: 6

            Row {
                objectName: "moodLine"
                anchors.right: parent.right
                visible: controller.moodChips.length > 0
                spacing: 4

                // Four fixed chips rather than a Repeater: rows are built by the hundred while
                // the list flicks, and a Repeater costs as much again as its chips.
                MoodChip {
                    objectName: "moodChip"
                    visible: controller.moodChips.length > 0
                    text: visible ? controller.moodChips[0] : ""
                }
                MoodChip {
                    objectName: "moodChip"
                    visible: controller.moodChips.length > 1
                    text: visible ? controller.moodChips[1] : ""
                }
                MoodChip {
                    objectName: "moodChip"
                    visible: controller.moodChips.length > 2
                    text: visible ? controller.moodChips[2] : ""
                }
                MoodChip {
                    objectName: "moodChip"
                    visible: controller.moodChips.length > 3
                    text: visible ? controller.moodChips[3] : ""
                }
            }

            Row {
                objectName: "actionLine"
                anchors.right: parent.right
                spacing: 6

                Text {
                    objectName: "downloadErrorText"
                    anchors.verticalCenter: parent.verticalCenter
                    visible: text !== ""
                    text: controller.downloadError
                    color: Qt.rgba(1, 0, 0, 0.85)
                    font.pixelSize: 9
                }
                Icon {
                    objectName: "favoriteButton"
                    anchors.verticalCenter: parent.verticalCenter
                    name: controller.isFavorite ? "heart.fill" : "heart"
                    size: 12
                    color: controller.isFavorite ? Qt.rgba(1, 0, 0, 0.85) : Theme.textMutedDark

                    TapHandler {
                        onTapped: controller.toggleFavorite()
                    }
                }
                WavButton {
                    objectName: "wavButton"
                    anchors.verticalCenter: parent.verticalCenter
                    radius: Theme.labelRadius
                    dragController: dragController
                    toolTipText: dragController.dragHelp
                    onClicked: dragController.downloadOrPrepare()
                }
                RowTextButton {
                    objectName: "infoButton"
                    anchors.verticalCenter: parent.verticalCenter
                    text: AppState.preferences.t("track.info")
                    textColor: row.showInfo ? Theme.bgDark : Theme.textMutedDark
                    fillColor: row.showInfo ? Theme.accent : Theme.surface2Dark
                    outlineColor: row.showInfo ? Theme.accent : Theme.borderDark
                    onClicked: row.showInfo = !row.showInfo
                }
                RowTextButton {
                    objectName: "licenseButton"
                    anchors.verticalCenter: parent.verticalCenter
                    text: AppState.preferences.t("track.license")
                    onClicked: controller.openLicenseMail()
                }
            }
        }

        Rectangle {
            anchors.bottom: parent.bottom
            width: parent.width
            height: 1
            color: Theme.borderDark
        }
    }

    // Outside the line's layer: the layer of a row that the list makes once it rests after a
    // long scroll never takes in a cover that arrives after it, and the square stayed empty.
    Item {
        id: cover
        objectName: "coverBlock"
        x: AppState.layout.pageH
        anchors.verticalCenter: line.verticalCenter
        width: Theme.cover
        height: Theme.cover

        Rectangle {
            anchors.fill: parent
            radius: 2
            color: Theme.surface2Dark
        }
        Image {
            objectName: "coverImage"
            anchors.fill: parent
            source: controller.coverSource
            sourceSize: Qt.size(2 * Theme.cover, 2 * Theme.cover)
            fillMode: Image.PreserveAspectCrop
            asynchronous: true
            clip: true
        }
        DragBadge {
            objectName: "dragBadge"
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 4
            dragController: dragController
        }
        TrackDragSource {
            dragController: dragController
        }
    }

    Item {
        id: infoBox
        objectName: "infoBox"
        y: line.height
        width: parent.width
        height: row.showInfo && panel.item ? panel.item.implicitHeight : 0
        clip: true

        Behavior on height {
            NumberAnimation {
                duration: 180
                easing.type: Easing.InOutQuad
            }
        }

        Loader {
            id: panel
            width: parent.width
            // Kept while folding, so the panel slides away instead of vanishing.
            active: row.showInfo || infoBox.height > 0
            sourceComponent: TrackInfoPanel {
                objectName: "infoPanel"
                cells: controller.infoCells
            }
        }
    }
}
