import QtQuick
import QtQuick.Controls.Basic
import Aru

// The search field, bound both ways to the search text, with its clear button, and the button
// that searches by image.
Item {
    id: bar
    objectName: "searchBar"

    readonly property alias field: field

    implicitHeight: box.height + 12

    Rectangle {
        id: box
        x: AppState.layout.pageH
        width: bar.width - x - AppState.layout.pageTrailing - imageSearch.width - 12
        height: field.implicitHeight + 2 * 10
        color: Theme.surfaceDark
        border.width: 1
        border.color: Theme.borderDark

        Icon {
            id: magnifier
            x: 14
            anchors.verticalCenter: parent.verticalCenter
            name: "magnifyingglass"
            size: 11
            color: Theme.textMutedDark
        }
        TextField {
            id: field
            objectName: "searchField"
            anchors.left: magnifier.right
            anchors.leftMargin: 8
            anchors.right: clear.visible ? clear.left : parent.right
            anchors.rightMargin: clear.visible ? 8 : 14
            anchors.verticalCenter: parent.verticalCenter
            padding: 0
            background: null
            text: AppState.search.searchText
            onTextEdited: AppState.search.searchText = text
            placeholderText: AppState.preferences.t("catalog.search.placeholder")
            placeholderTextColor: Theme.textMutedDark
            color: Theme.textDark
            font.pixelSize: 13
            selectByMouse: true
            selectionColor: Theme.accent
            selectedTextColor: Theme.bgDark
        }
        Icon {
            id: clear
            objectName: "clearSearchButton"
            anchors.right: parent.right
            anchors.rightMargin: 14
            anchors.verticalCenter: parent.verticalCenter
            visible: AppState.search.searchText.length > 0
            name: "xmark.circle.fill"
            size: 12
            color: Theme.textMutedDark

            MouseArea {
                anchors.fill: parent
                anchors.margins: -4
                cursorShape: Qt.PointingHandCursor
                onClicked: AppState.search.searchText = ""
            }
        }
    }

    ImageSearchButton {
        id: imageSearch
        anchors.left: box.right
        anchors.leftMargin: 12
        anchors.verticalCenter: box.verticalCenter
    }
}
