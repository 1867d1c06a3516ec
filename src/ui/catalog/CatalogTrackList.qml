import QtQuick
import QtQuick.Controls.Basic
import Aru

// The scrolling list of the catalogue screen: the filtered tracks, or the suggestions, as track
// rows built lazily; a spinner while the catalogue loads; the empty state; or, when there is no
// catalogue because it could not be loaded, the reason and a way to try again.
Item {
    id: list
    objectName: "catalogTrackList"

    readonly property alias content: listState.content
    readonly property alias view: view
    readonly property alias tracks: listState.tracks
    // The keyboard's selected row, framed in the accent; -1 for none.
    property int selectedRow: -1
    // Rows the list shows at once, for page moves.
    readonly property int rowsPerPage: Math.max(1, Math.floor(view.height / (view.currentItem ? view.currentItem.height : 108)))

    onSelectedRowChanged: {
        if (selectedRow >= 0)
            view.positionViewAtIndex(selectedRow, ListView.Contain)
    }
    readonly property bool playerHasTrack: AppState.playback.audioPlayer.currentTrack !== undefined

    CatalogListState {
        id: listState
        appState: AppState
    }

    ListView {
        id: view
        objectName: "trackListView"
        anchors.fill: parent
        clip: true
        // Faded out and disabled rather than hidden while nothing is listed: showing a hidden
        // list again rebuilds the scene graph of every row it holds.
        readonly property bool listing: listState.tracks !== null
        opacity: listing ? 1 : 0
        enabled: listing
        model: listState.shownTracks
        boundsBehavior: Flickable.StopAtBounds
        reuseItems: true
        currentIndex: list.selectedRow
        keyNavigationEnabled: false
        highlightFollowsCurrentItem: true
        highlightMoveDuration: 0
        highlightResizeDuration: 0
        // A frame over the selected row, apart from the current track's tint under it.
        highlight: Rectangle {
            objectName: "selectionFrame"
            z: 2
            visible: list.selectedRow >= 0
            color: "transparent"
            border.width: 1.5
            border.color: Theme.accent
        }

        // Another list, not an edit of the one shown, is read from its top.
        Connections {
            target: listState.shownTracks
            function onReplaced() {
                view.jumping = true
                view.positionViewAtBeginning()
                view.restY = view.contentY
                view.jumping = false
            }
        }

        // While the list travels more than half a page, its rows are pictures painted on another
        // thread: building the interactive row of every track that passes costs more than a frame
        // has. The rows come back, with all their controls, once the list has rested a moment;
        // a row with its info panel open stays as it is.
        property bool scrolling: false
        property real restY: 0
        property bool jumping: false
        onContentYChanged: {
            if (jumping)
                return
            if (!scrolling && Math.abs(contentY - restY) > height / 2)
                scrolling = true
            scrollRest.restart()
        }
        Timer {
            id: scrollRest
            interval: 150
            onTriggered: {
                view.scrolling = false
                view.restY = view.contentY
            }
        }
        // While scrolling, the pictures of the rows about to come in are asked for ahead. At rest
        // no rows are kept beyond the visible ones: a new search rebinds every row the list holds.
        cacheBuffer: scrolling ? height / 2 : 0

        delegate: Item {
            id: slot
            objectName: "trackSlot"
            required property var track
            readonly property bool infoOpen: live.item ? live.item.showInfo : false

            width: ListView.view.width
            height: live.item ? live.item.height : picture.height

            TrackRowPicture {
                id: picture
                objectName: "trackRowPicture"
                width: parent.width
                height: implicitHeight
                visible: !live.item
                appState: AppState
                track: slot.track
            }
            Loader {
                id: live
                active: !view.scrolling || slot.infoOpen
                sourceComponent: TrackRow {
                    width: slot.width
                    track: slot.track
                }
            }
        }
        // Lets the last row scroll clear of the sticky player.
        footer: Item {
            objectName: "playerSpacer"
            width: ListView.view ? ListView.view.width : 0
            height: list.playerHasTrack ? 80 : 0
        }
        // Beside the collection handle, which covers the screen's right edge.
        ScrollBar.vertical: ScrollBar {
            parent: list
            x: list.width - 56 - width
            y: view.y
            height: view.height
            policy: view.listing && view.contentHeight > view.height ? ScrollBar.AlwaysOn
                                                                     : ScrollBar.AlwaysOff
        }
    }

    BusyIndicator {
        objectName: "catalogSpinner"
        anchors.horizontalCenter: parent.horizontalCenter
        y: 80
        visible: listState.content === CatalogListState.Loading
        running: visible
        palette.dark: Theme.textMutedDark
    }

    Column {
        objectName: "emptyState"
        anchors.horizontalCenter: parent.horizontalCenter
        y: 80
        spacing: 12
        visible: listState.content === CatalogListState.Empty

        Icon {
            anchors.horizontalCenter: parent.horizontalCenter
            name: "music.note"
            size: 26
            color: Theme.textMutedDark
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: AppState.preferences.t("catalog.empty")
            color: Theme.textMutedDark
            font: Theme.fontBody
        }
    }

    Column {
        objectName: "loadFailedState"
        anchors.horizontalCenter: parent.horizontalCenter
        y: 80
        width: Math.min(parent.width - 2 * AppState.layout.pageH, 480)
        spacing: 12
        visible: listState.content === CatalogListState.LoadFailed

        Icon {
            anchors.horizontalCenter: parent.horizontalCenter
            name: "music.note"
            size: 26
            color: Theme.textMutedDark
        }
        Text {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: AppState.preferences.t("catalog.loadFailed")
            color: Theme.textDark
            font: Theme.fontBody
            wrapMode: Text.Wrap
        }
        Text {
            objectName: "loadErrorText"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: AppState.catalog.lastLoadError
            color: Theme.textMutedDark
            font: Theme.fontBodySmall
            wrapMode: Text.Wrap
        }
        AccentButtonLabel {
            objectName: "retryButton"
            anchors.horizontalCenter: parent.horizontalCenter
            text: AppState.preferences.t("catalog.retry")

            MouseArea {
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: AppState.session.requestCatalog()
            }
        }
    }
}
