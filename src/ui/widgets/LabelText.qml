import QtQuick
import Aru

// The text of both label looks: the tag face at 9.5, medium, upper case, tracked 1.5.
// The design's points are the interface's logical pixels; 9.5 of them is not a whole pixel size,
// so it goes through points at the 96 dpi Qt uses for text on Linux.
Text {
    font.family: Theme.fontTag.family
    font.pointSize: 9.5 * 0.75
    font.weight: Font.Medium
    font.capitalization: Font.AllUppercase
    font.letterSpacing: Theme.labelLetterSpacing
}
