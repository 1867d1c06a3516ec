import QtQuick
import Aru

// Temporary stand-in for the scrubbing waveform while the real one is being built elsewhere.
Item {
    property var track
    implicitHeight: 36
    height: 36
    Rectangle { anchors.verticalCenter: parent.verticalCenter; width: parent.width; height: 4; radius: 2; color: Theme.borderSubDark }
}
