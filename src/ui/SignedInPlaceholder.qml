import QtQuick
import QtQuick.Controls.Basic
import Aru

// Stand-in for the catalogue screen while it is being built: the catalogue header and a plain
// list of the loaded titles, so a signed-in session shows that the catalogue arrived.
Rectangle {
    id: placeholder
    objectName: "signedInPlaceholder"
    color: Theme.bgDark

    Column {
        id: header
        x: AppState.layout.pageH
        y: 40
        width: parent.width - AppState.layout.pageH - AppState.layout.pageTrailing
        spacing: 8

        Text {
            text: "ARU"
            color: Theme.textDark
            font.family: Theme.displayFamily
            font.weight: Font.Light
            font.pixelSize: 32
        }
        Text {
            text: AppState.preferences.t("header.tagline")
            color: Theme.textMutedDark
            font.pixelSize: 11
            font.letterSpacing: 3
        }
        Text {
            objectName: "catalogStatus"
            text: AppState.catalog.isLoadingCatalog ? "…" : AppState.catalog.trackCount + " · " + AppState.session.userEmail
            color: Theme.textFaintDark
            font.pixelSize: 12
        }
    }

    ListView {
        objectName: "titleList"
        anchors {
            top: header.bottom
            topMargin: 24
            left: header.left
            right: header.right
            bottom: parent.bottom
        }
        clip: true
        model: AppState.search.filteredTracks
        delegate: Text {
            required property string title
            required property string artist
            width: ListView.view.width
            height: 28
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
            text: title + "  —  " + artist
            color: Theme.textDimDark
            font.pixelSize: 13
        }
        ScrollBar.vertical: ScrollBar {}
    }
}
