import QtQuick
import Aru

// The row's unfolded metadata: labelled values in three equal columns, the values selectable for
// copying.
Rectangle {
    id: panel

    required property var cells

    implicitHeight: grid.implicitHeight + 2 * 16
    color: Theme.surfaceDark

    Grid {
        id: grid
        objectName: "infoGrid"
        x: AppState.layout.pageH
        y: 16
        width: parent.width - AppState.layout.pageH - AppState.layout.pageTrailing
        columns: 3
        columnSpacing: 8
        rowSpacing: 14

        Repeater {
            model: panel.cells

            Column {
                required property var modelData
                width: Math.max(10, (grid.width - 2 * grid.columnSpacing) / 3)
                spacing: 3

                Text {
                    width: parent.width
                    elide: Text.ElideRight
                    text: modelData.label
                    color: Theme.textFaintDark
                    font.pointSize: 9.5 * 0.75
                    font.weight: Font.DemiBold
                    font.letterSpacing: 1.5
                    font.capitalization: Font.AllUppercase
                }
                TextEdit {
                    width: parent.width
                    text: modelData.value
                    readOnly: true
                    selectByMouse: true
                    wrapMode: TextEdit.Wrap
                    color: Theme.textDark
                    selectionColor: Theme.accent
                    selectedTextColor: Theme.bgDark
                    font.pixelSize: 11
                }
            }
        }
    }

    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: Theme.borderDark
    }
}
