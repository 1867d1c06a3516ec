import QtQuick
import QtQuick.Controls.Basic
import Aru

// The playback bar along the bottom of the catalogue screen: there exactly while the player has
// a track, sliding in from the bottom edge, rebuilt for every new track so its cover and
// waveform start afresh.
Item {
    id: bar
    objectName: "stickyPlayer"

    readonly property var player: AppState.playback.audioPlayer
    readonly property var current: player.currentTrack
    readonly property bool hasTrack: current !== undefined
    // The bar's own height while shown; 0 while hidden.
    readonly property real shownHeight: contentLoader.item ? contentLoader.item.implicitHeight : 0
    // How far the bar has slid in, 0 to 1.
    property real shown: hasTrack ? 1 : 0

    Behavior on shown {
        NumberAnimation {
            duration: 250
            easing.type: Easing.InOutQuad
        }
    }

    height: shownHeight
    clip: true
    visible: shown > 0

    Loader {
        id: contentLoader
        width: bar.width
        y: bar.height * (1 - bar.shown)
        // Keyed by the track: a new current track replaces the content.
        property var trackId: bar.hasTrack ? bar.current.id : undefined
        onTrackIdChanged: {
            active = false
            active = trackId !== undefined
        }
        sourceComponent: StickyPlayerContent {
            track: bar.current
        }
    }
}
