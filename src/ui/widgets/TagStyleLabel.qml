import QtQuick
import Aru

// A tag chip: a short text in the tag font, upper case and tracked, on a rounded padded
// background. `textColor` is the text, `color` the background.
Rectangle {
    id: chip

    property alias text: label.text
    property color textColor: Theme.tagMood

    color: Theme.tagMoodBg
    radius: Theme.labelRadius
    antialiasing: true
    implicitWidth: label.implicitWidth + 2 * Theme.tagPaddingH
    implicitHeight: label.implicitHeight + 2 * Theme.tagPaddingV

    LabelText {
        id: label
        x: Theme.tagPaddingH
        y: Theme.tagPaddingV
        color: chip.textColor
    }
}
