import QtQuick
import QtQuick.Controls.Basic
import Aru

// The signed-in screen: header, search, the tags the search stands for, the filters and the
// list of tracks; the collection slides over it from the right, the player sits along the
// bottom, and the settings open as a sheet. Everything it shows comes from the application
// state; it holds only what is open and which collection tab is chosen.
Rectangle {
    id: view
    objectName: "catalogView"
    color: Theme.bgDark

    property alias sidebarOpen: collection.open
    property alias sidebarTab: collection.tab
    property alias showSettings: settingsSheet.visible

    Component.onCompleted: {
        AppState.layout.updateLayout(width)
        // Once, when first shown: a session restored or begun elsewhere may already have one.
        if (AppState.catalog.trackCount === 0)
            AppState.session.requestCatalog()
    }
    onWidthChanged: AppState.layout.updateLayout(width)

    Connections {
        target: AppState.search
        function onSearchTextChanged() { AppState.search.refreshAISearch() }
    }

    focus: true
    Keys.onPressed: event => {
        event.accepted = keyboard.handleKey(event.key, event.modifiers,
                                            searchBar.field.activeFocus)
    }

    CatalogKeyboard {
        id: keyboard
        appState: AppState
        tracks: trackList.tracks
        pageRows: trackList.rowsPerPage
        selectedStartFraction: {
            const row = trackList.view.currentItem
            const picked = row ? row.controller.pendingSeekPercent : undefined
            return picked === undefined ? -1 : picked
        }
        onStartFractionConsumed: trackList.view.currentItem.controller.pendingSeekPercent = undefined
        onFocusSearchRequested: searchBar.field.forceActiveFocus()
        onInfoToggleRequested: row => {
            const item = trackList.view.itemAtIndex(row)
            if (item)
                item.showInfo = !item.showInfo
        }
        // One step per press: out of the search field, then the search text, then the panel.
        onEscapePressed: {
            if (searchBar.field.activeFocus)
                view.forceActiveFocus()
            else if (AppState.search.searchText.length > 0)
                AppState.search.searchText = ""
            else if (view.sidebarOpen)
                view.sidebarOpen = false
            else if (view.showSettings)
                view.showSettings = false
        }
    }

    Column {
        id: mainColumn
        anchors.fill: parent

        CatalogHeader {
            id: header
            width: parent.width
            height: implicitHeight
            onSettingsRequested: view.showSettings = true
        }
        CatalogSearchBar {
            id: searchBar
            width: parent.width
            height: implicitHeight
        }
        OfflineNotice {
            id: offlineNotice
            width: parent.width
            height: implicitHeight
        }
        SemanticChipsBar {
            id: chips
            width: parent.width
            height: implicitHeight
        }
        FilterBar {
            id: filters
            width: parent.width
            height: implicitHeight
        }
        CatalogTrackList {
            id: trackList
            selectedRow: keyboard.selectedRow
            width: parent.width
            height: view.height - header.height - searchBar.height - offlineNotice.height
                    - chips.height - filters.height
        }
    }

    StickyPlayer {
        id: player
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
    }

    CollectionOverlay {
        id: collection
        anchors.fill: parent
    }

    Popup {
        id: settingsSheet
        objectName: "settingsSheet"
        x: Math.round((view.width - width) / 2)
        y: Math.round((view.height - height) / 2)
        modal: true
        dim: true
        padding: 0
        closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
        background: null

        contentItem: Loader {
            active: settingsSheet.visible
            sourceComponent: SettingsView {
                onDismissRequested: settingsSheet.close()
            }
        }
    }
}
