import QtQuick
import Aru

// Temporary stand-in for the settings sheet while the real one is being built elsewhere.
Rectangle {
    objectName: "settingsView"
    signal dismissed()
    implicitWidth: 380
    implicitHeight: 600
    color: Theme.surfaceDark
}
