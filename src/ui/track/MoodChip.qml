import QtQuick
import Aru

// A mood as the row shows it: the stored word in upper case on the mood chip's background.
Rectangle {
    property alias text: label.text

    implicitWidth: label.implicitWidth + 16
    implicitHeight: label.implicitHeight + 6
    color: Theme.tagMoodBg
    radius: Theme.labelRadius
    antialiasing: true

    LabelText {
        id: label
        x: 8
        y: 3
        color: Theme.tagMood
        font.letterSpacing: 1
    }
}
