import QtQuick
import Aru

// Temporary stand-in for the image search button while the real one is being built elsewhere.
Rectangle {
    objectName: "imageSearchButton"
    width: 42
    height: 36
    color: Theme.surfaceDark
    border.width: 1
    border.color: Theme.borderDark
}
