import QtQuick
import Aru

// The screen's header: the label's logo, a divider, the section name with the tagline (hidden
// when compact), and the settings button.
Item {
    id: header
    objectName: "catalogHeader"

    signal settingsRequested()

    implicitHeight: row.implicitHeight + 2 * 24

    Row {
        id: row
        x: AppState.layout.pageH
        y: 24
        width: header.width - AppState.layout.pageH - AppState.layout.pageTrailing
        spacing: 32

        Row {
            anchors.verticalCenter: parent.verticalCenter
            spacing: 10

            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: "ARU"
                color: Theme.textDark
                font: Theme.fontTitle
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: "RECORDS"
                color: Theme.textMutedDark
                font.pixelSize: 10
                font.weight: Font.Light
                font.letterSpacing: 4
            }
        }

        Rectangle {
            anchors.verticalCenter: parent.verticalCenter
            width: 1
            height: 24
            color: Theme.borderDark
        }

        Column {
            id: section
            anchors.verticalCenter: parent.verticalCenter
            // The tagline gives way to the settings button rather than push it out.
            width: Math.max(0, row.width - x - settings.width - 16)
            spacing: 2

            Text {
                text: AppState.preferences.t("header.section")
                color: Theme.textDark
                font: Theme.fontDisplayMedium
            }
            Text {
                objectName: "tagline"
                visible: !AppState.layout.isCompact
                width: parent.width
                text: AppState.preferences.t("header.tagline")
                color: Theme.textMutedDark
                font.pixelSize: 10
                font.weight: Font.Light
                font.letterSpacing: 2
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }
    }

    Rectangle {
        id: settings
        objectName: "settingsButton"
        anchors.right: parent.right
        anchors.rightMargin: AppState.layout.pageTrailing
        anchors.verticalCenter: row.verticalCenter
        width: 36
        height: 36
        color: Theme.surfaceDark
        border.width: 1
        border.color: Theme.borderDark

        Icon {
            anchors.centerIn: parent
            name: "gearshape"
            size: 14
            color: Theme.accent
        }
        MouseArea {
            anchors.fill: parent
            cursorShape: Qt.PointingHandCursor
            onClicked: header.settingsRequested()
        }
    }
}
