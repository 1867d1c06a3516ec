import QtQuick
import Aru

// One discreet line under the search bar while the catalogue shown is the copy kept on this
// computer because the server could not be reached. Takes no space otherwise.
Item {
    id: notice
    objectName: "offlineNotice"

    visible: AppState.catalog.isShowingOfflineCopy
    implicitHeight: visible ? line.implicitHeight + 8 : 0

    Row {
        id: line
        x: AppState.layout.pageH
        width: notice.width - x - AppState.layout.pageTrailing
        spacing: 6

        Icon {
            anchors.verticalCenter: parent.verticalCenter
            name: "wifi.slash"
            size: 11
            color: Theme.textMutedDark
        }
        Text {
            objectName: "offlineNoticeText"
            anchors.verticalCenter: parent.verticalCenter
            width: parent.width - 11 - parent.spacing
            elide: Text.ElideRight
            text: AppState.preferences.t("catalog.offline.notice")
            color: Theme.textMutedDark
            // 11 logical pixels: through points at Qt's 96 dpi.
            font.pointSize: 11 * 0.75
        }
    }
}
