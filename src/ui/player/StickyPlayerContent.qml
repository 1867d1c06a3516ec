import QtQuick
import QtQuick.Controls.Basic
import Aru

// The bar for one track: cover, title and artist, previous / play-pause / next, the scrubbing
// waveform, the volume (not when compact) and the close button.
Rectangle {
    id: content
    objectName: "stickyPlayerContent"

    required property var track
    readonly property var player: AppState.playback.audioPlayer
    readonly property bool compact: AppState.layout.isCompact

    implicitHeight: row.implicitHeight + 2 * 14
    color: Qt.rgba(Theme.surfaceDark.r, Theme.surfaceDark.g, Theme.surfaceDark.b, 0.95)

    Rectangle {
        width: parent.width
        height: 1
        color: Theme.borderDark
    }

    Row {
        id: row
        x: AppState.layout.pageH
        y: 14
        width: content.width - x - AppState.layout.pageTrailing
        spacing: 16

        Rectangle {
            objectName: "playerCover"
            anchors.verticalCenter: parent.verticalCenter
            width: 56
            height: 56
            radius: 2
            color: Theme.surface2Dark
            clip: true

            Image {
                anchors.fill: parent
                fillMode: Image.PreserveAspectCrop
                asynchronous: true
                source: content.track.coverArtURL.length > 0
                        ? "image://covers/" + encodeURIComponent(content.track.coverArtURL) : ""
                sourceSize: Qt.size(112, 112)
            }
        }

        Column {
            id: texts
            anchors.verticalCenter: parent.verticalCenter
            width: content.compact ? 110 : 200
            spacing: 2

            Text {
                objectName: "playerTitle"
                width: parent.width
                text: content.track.title
                color: Theme.textDark
                font: Theme.fontTitle
                elide: Text.ElideRight
                maximumLineCount: 1
            }
            Text {
                width: parent.width
                text: content.track.artist
                color: Theme.textMutedDark
                font.pointSize: 10.5 * 0.75
                font.weight: Font.Medium
                font.letterSpacing: 1.5
                font.capitalization: Font.AllUppercase
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }

        Row {
            id: transport
            anchors.verticalCenter: parent.verticalCenter
            spacing: 16

            TransportButton {
                objectName: "previousButton"
                anchors.verticalCenter: parent.verticalCenter
                icon: "backward.fill"
                iconSize: 14
                iconColor: Theme.textDimDark
                help: "Morceau précédent"
                onClicked: AppState.playback.playPrevious()
            }
            TransportButton {
                objectName: "playPauseButton"
                anchors.verticalCenter: parent.verticalCenter
                width: 38
                height: 38
                icon: content.player.isPlaying ? "pause.fill" : "play.fill"
                iconSize: 13
                iconColor: Theme.accent
                // The play glyph's weight sits left of its box.
                iconOffset: content.player.isPlaying ? 0 : 1
                help: content.player.isPlaying ? "Pause" : "Lecture"
                outlined: true
                onClicked: content.player.togglePlayPause()
            }
            TransportButton {
                objectName: "nextButton"
                anchors.verticalCenter: parent.verticalCenter
                icon: "forward.fill"
                iconSize: 14
                iconColor: Theme.textDimDark
                help: "Morceau suivant"
                onClicked: AppState.playback.playNext()
            }
        }

        WaveformScrubber {
            anchors.verticalCenter: parent.verticalCenter
            width: row.width - x - (volume.visible ? volume.width + row.spacing : 0)
                   - close.width - row.spacing
            track: content.track
        }

        Row {
            id: volume
            objectName: "volumeControl"
            anchors.verticalCenter: parent.verticalCenter
            visible: !content.compact
            spacing: 6

            Icon {
                anchors.verticalCenter: parent.verticalCenter
                name: "speaker.wave.2.fill"
                size: 10
                color: Theme.textDimDark
            }
            Slider {
                id: slider
                objectName: "volumeSlider"
                anchors.verticalCenter: parent.verticalCenter
                width: 70
                height: 14
                padding: 0
                from: 0
                to: 1
                value: content.player.volume
                onMoved: content.player.volume = value

                // Tinted in the accent: the groove, the part below the handle, a small knob.
                background: Rectangle {
                    y: (slider.height - height) / 2
                    width: slider.width
                    height: 2
                    radius: 1
                    color: Theme.borderSubDark

                    Rectangle {
                        width: slider.visualPosition * parent.width
                        height: parent.height
                        radius: 1
                        color: Theme.accent
                    }
                }
                handle: Rectangle {
                    x: slider.visualPosition * (slider.width - width)
                    y: (slider.height - height) / 2
                    width: 10
                    height: 10
                    radius: 5
                    color: Theme.accent
                }
            }
        }

        TransportButton {
            id: close
            objectName: "closePlayerButton"
            anchors.verticalCenter: parent.verticalCenter
            icon: "xmark"
            iconSize: 10
            iconColor: Theme.textMutedDark
            onClicked: content.player.stop()
        }
    }
}
