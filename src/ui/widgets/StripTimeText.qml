import QtQuick
import Aru

// A waveform strip's position or length: the small body face in a fixed width, so the bars do
// not move as the digits change.
Text {
    width: 36
    font: Theme.fontBodySmall
}
