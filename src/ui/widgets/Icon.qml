import QtQuick
import Aru

// One of the design's symbols, drawn with the bundled icon font. `size` is the symbol's size in
// the design; the glyph fills a square of that size.
Text {
    id: icon

    property string name
    property real size: 12

    width: size
    height: size
    text: Theme.iconGlyph(name)
    font.family: Theme.iconFamily
    font.pixelSize: size
    horizontalAlignment: Text.AlignHCenter
    verticalAlignment: Text.AlignVCenter
    renderType: Text.QtRendering
}
