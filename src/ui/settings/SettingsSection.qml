import QtQuick
import QtQuick.Layouts
import Aru

// One section of the settings sheet: its title in the accent, then its content 10 apart.
ColumnLayout {
    id: section

    property string title

    Layout.fillWidth: true
    spacing: 10

    Text {
        objectName: section.objectName + "Title"
        text: section.title
        color: Theme.accent
        font.pixelSize: 11
        font.weight: Font.DemiBold
        font.letterSpacing: 2
    }
}
