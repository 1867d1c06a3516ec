import QtQuick
import Aru

// The accent action label: the tag font in accent, upper case and tracked, on the soft accent.
Rectangle {
    property alias text: label.text

    color: Theme.accentSoft
    radius: Theme.labelRadius
    antialiasing: true
    implicitWidth: label.implicitWidth + 2 * Theme.accentButtonPaddingH
    implicitHeight: label.implicitHeight + 2 * Theme.accentButtonPaddingV

    LabelText {
        id: label
        x: Theme.accentButtonPaddingH
        y: Theme.accentButtonPaddingV
        color: Theme.accent
    }
}
