import QtQuick
import Aru

// Temporary stand-in for the collection panel while the real one is being built elsewhere.
Rectangle {
    objectName: "sidebarPanel"
    property int tab: 0
    signal closeRequested()
    color: Theme.surfaceDark
}
