import QtQuick
import QtQuick.Controls.Basic
import Aru

// The sign-in screen's input: plain text on the surface colour, framed by a hairline.
TextField {
    padding: 12
    font.pixelSize: 14
    color: Theme.textDark
    placeholderTextColor: Theme.textMutedDark
    selectionColor: Theme.accent
    selectedTextColor: Theme.bgDark
    selectByMouse: true
    background: Rectangle {
        color: Theme.surfaceDark
        border.width: 1
        border.color: Theme.borderDark
    }
}
