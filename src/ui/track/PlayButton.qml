import QtQuick
import Aru

// A round play/pause button outlined in the subtle border colour.
Item {
    id: button

    property bool isPlaying: false
    property color glyphColor: Theme.textDimDark
    property real diameter: 28

    signal clicked()

    width: diameter
    height: diameter

    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: "transparent"
        border.width: 1
        border.color: Theme.borderSubDark
    }
    Icon {
        objectName: "playGlyph"
        name: button.isPlaying ? "pause.fill" : "play.fill"
        size: 9
        color: button.glyphColor
        anchors.centerIn: parent
        // The play triangle's weight sits left of its box: one point right looks centred.
        anchors.horizontalCenterOffset: button.isPlaying ? 0 : 1
    }
    TapHandler {
        onTapped: button.clicked()
    }
}
