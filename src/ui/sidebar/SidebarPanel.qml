import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Aru

// The collection sidebar: the user's favourites and downloads, each filtered by the panel's own
// search field. The catalogue screen hosts it, decides its width, and follows `tab` and `isOpen`
// (the close button clears `isOpen`; the host animates the panel out). State and lists live in
// SidebarController; this file only lays them out.
Rectangle {
    id: panel
    objectName: "sidebarPanel"
    color: Theme.surfaceDark

    // The tab shown, kept by the host across openings.
    property int tab: SidebarTab.Favorites
    property bool isOpen: true
    readonly property alias controller: controller

    SidebarController {
        id: controller
        appState: AppState
        tab: panel.tab
        filterText: searchField.text
    }

    // The hairline along the leading edge.
    Rectangle {
        anchors { left: parent.left; top: parent.top; bottom: parent.bottom }
        width: 1
        color: Theme.borderDark
        z: 1
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Item {
            objectName: "sidebarHeader"
            Layout.fillWidth: true
            implicitHeight: headerRow.implicitHeight + 40

            RowLayout {
                id: headerRow
                anchors { fill: parent; leftMargin: 24; rightMargin: 24; topMargin: 20; bottomMargin: 20 }

                Text {
                    objectName: "sidebarTitle"
                    text: AppState.preferences.t("sidebar.title")
                    color: Theme.textDark
                    // 11.5 logical pixels: through points at Qt's 96 dpi.
                    font.pointSize: 11.5 * 0.75
                    font.weight: Font.DemiBold
                    font.letterSpacing: 2
                }
                Item { Layout.fillWidth: true }
                AbstractButton {
                    objectName: "closeButton"
                    padding: 0
                    focusPolicy: Qt.NoFocus
                    onClicked: panel.isOpen = false
                    contentItem: Icon { name: "xmark.circle.fill"; size: 18; color: Theme.textMutedDark }
                }
            }
        }

        Rectangle {
            objectName: "sidebarSearch"
            Layout.fillWidth: true
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            Layout.bottomMargin: 12
            implicitHeight: searchRow.implicitHeight + 16
            color: Theme.bgDark
            border.width: 1
            border.color: Theme.borderDark

            RowLayout {
                id: searchRow
                anchors { fill: parent; leftMargin: 12; rightMargin: 12; topMargin: 8; bottomMargin: 8 }
                spacing: 8

                Icon { name: "magnifyingglass"; size: 11; color: Theme.textMutedDark }
                TextField {
                    id: searchField
                    objectName: "sidebarSearchField"
                    Layout.fillWidth: true
                    padding: 0
                    background: null
                    placeholderText: AppState.preferences.t("sidebar.search.placeholder")
                    placeholderTextColor: Theme.textMutedDark
                    color: Theme.textDark
                    selectionColor: Theme.accent
                    selectedTextColor: Theme.bgDark
                    font.pixelSize: 12
                }
                AbstractButton {
                    objectName: "clearSearchButton"
                    visible: searchField.text.length > 0
                    padding: 0
                    focusPolicy: Qt.NoFocus
                    onClicked: searchField.clear()
                    contentItem: Icon { name: "xmark.circle.fill"; size: 11; color: Theme.textMutedDark }
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 0

            SidebarTabButton {
                objectName: "favoritesTab"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                title: controller.favoritesTitle
                active: panel.tab === SidebarTab.Favorites
                onClicked: panel.tab = SidebarTab.Favorites
            }
            SidebarTabButton {
                objectName: "downloadsTab"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                title: controller.downloadsTitle
                active: panel.tab === SidebarTab.Downloads
                onClicked: panel.tab = SidebarTab.Downloads
            }
        }

        ListView {
            id: list
            objectName: "sidebarList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            model: controller.shownTracks
            // SidebarTrackRow takes its track from the model's "track" role.
            delegate: SidebarTrackRow {
                width: ListView.view.width
                showsRemoveButton: panel.tab === SidebarTab.Favorites
            }

            ScrollIndicator.vertical: ScrollIndicator {
                active: true
                visible: list.contentHeight > list.height
                contentItem: Rectangle {
                    implicitWidth: 3
                    radius: 1.5
                    color: Theme.borderSubDark
                }
            }

            Text {
                objectName: "sidebarEmptyText"
                visible: controller.shownTracks.count === 0
                anchors { left: parent.left; right: parent.right; top: parent.top; topMargin: 40 }
                horizontalAlignment: Text.AlignHCenter
                text: controller.emptyText
                color: Theme.textMutedDark
                font: Theme.fontBody
            }
        }
    }
}
