import QtQuick
import Aru

// One family of filters: its label, then ALL and one button per tag. A click on the chosen tag
// clears the choice; ALL clears it too.
Row {
    id: row

    property string label
    property var items: []
    // The chosen tag, or undefined for none.
    property var selected
    signal chosen(var value)

    // Takes the language so that the label follows it.
    function tagLabel(tag, language) {
        return AppState.preferences.translateTag(tag).toUpperCase()
    }

    spacing: 6

    Text {
        width: 88
        topPadding: 4
        text: row.label
        color: Theme.textMutedDark
        font.pixelSize: 10
        font.weight: Font.DemiBold
        font.letterSpacing: 2
        elide: Text.ElideRight
    }

    FlowLayout {
        width: row.width - 88 - row.spacing

        FilterButton {
            objectName: row.objectName + "_all"
            text: AppState.preferences.t("filter.all")
            active: row.selected === undefined
            onClicked: row.chosen(undefined)
        }
        Repeater {
            model: row.items

            FilterButton {
                required property string modelData
                objectName: "filter_" + modelData
                text: row.tagLabel(modelData, AppState.preferences.language)
                letterSpacing: 1
                active: row.selected === modelData
                onClicked: row.chosen(active ? undefined : modelData)
            }
        }
    }
}
