import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Dialogs
import QtQuick.Layouts
import Aru

// The settings sheet: interface language, audio output, download folder and account. The host
// shows it and closes it on dismissRequested(). State lives in SettingsController and the
// application state; this file only lays them out.
Rectangle {
    id: sheet
    objectName: "settingsView"
    implicitWidth: 380
    implicitHeight: 600
    color: Theme.surfaceDark

    signal dismissRequested()
    readonly property alias controller: controller

    SettingsController {
        id: controller
        appState: AppState
    }
    Component.onCompleted: controller.load()

    FolderDialog {
        id: folderDialog
        objectName: "folderDialog"
        // Found by the dialog only when the sheet already sits in a window as it is made.
        parentWindow: sheet.Window.window
        title: AppState.preferences.t("panel.choose.message")
        acceptLabel: AppState.preferences.t("panel.choose.prompt")
        currentFolder: AppState.preferences.downloadFolder
        onAccepted: controller.chooseFolder(selectedFolder)
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Item {
            objectName: "settingsHeader"
            Layout.fillWidth: true
            implicitHeight: headerRow.implicitHeight + 40

            RowLayout {
                id: headerRow
                anchors { fill: parent; leftMargin: 24; rightMargin: 24; topMargin: 20; bottomMargin: 20 }

                Text {
                    objectName: "settingsTitle"
                    text: AppState.preferences.t("settings.title")
                    color: Theme.textDark
                    font.pixelSize: 11
                    font.weight: Font.DemiBold
                    font.letterSpacing: 2
                }
                Item { Layout.fillWidth: true }
                AbstractButton {
                    objectName: "closeButton"
                    padding: 0
                    focusPolicy: Qt.NoFocus
                    onClicked: sheet.dismissRequested()
                    contentItem: Icon { name: "xmark.circle.fill"; size: 18; color: Theme.textMutedDark }
                }
            }
            Rectangle {
                anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
                height: 1
                color: Theme.borderDark
            }
        }

        Flickable {
            id: scroller
            objectName: "settingsScroller"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            contentWidth: width
            contentHeight: sections.implicitHeight + 48

            ScrollIndicator.vertical: ScrollIndicator {
                active: true
                visible: scroller.contentHeight > scroller.height
                contentItem: Rectangle { implicitWidth: 3; radius: 1.5; color: Theme.borderSubDark }
            }

            ColumnLayout {
                id: sections
                x: 24
                y: 24
                width: scroller.width - 48
                spacing: 28

                SettingsSection {
                    objectName: "languageSection"
                    title: AppState.preferences.t("settings.language.title")

                    Row {
                        spacing: 6

                        Repeater {
                            model: controller.languages

                            AbstractButton {
                                id: languageButton
                                required property var modelData
                                readonly property bool selected: AppState.preferences.language === modelData.code
                                objectName: "languageButton_" + modelData.code
                                leftPadding: 10
                                rightPadding: 10
                                topPadding: 6
                                bottomPadding: 6
                                focusPolicy: Qt.NoFocus
                                onClicked: AppState.preferences.language = modelData.code
                                background: Rectangle {
                                    color: languageButton.selected ? Theme.accent : Theme.surface2Dark
                                    border.width: 1
                                    border.color: languageButton.selected ? Theme.accent : Theme.borderDark
                                }
                                contentItem: Text {
                                    text: languageButton.modelData.name
                                    color: languageButton.selected ? Theme.bgDark : Theme.textDimDark
                                    font.pixelSize: 11
                                    font.weight: Font.Medium
                                    font.letterSpacing: 1
                                }
                            }
                        }
                    }
                }

                Rectangle { Layout.fillWidth: true; implicitHeight: 1; color: Theme.borderDark }

                SettingsSection {
                    objectName: "audioSection"
                    title: AppState.preferences.t("settings.audio.title")

                    SettingsPicker {
                        objectName: "outputPicker"
                        Layout.fillWidth: true
                        model: controller.outputChoices
                        textRole: "display"
                        currentIndex: controller.selectedOutput
                        onActivated: index => controller.selectedOutput = index
                    }
                    Text {
                        objectName: "audioAppliesText"
                        Layout.fillWidth: true
                        text: AppState.preferences.t("settings.audio.applies")
                        wrapMode: Text.Wrap
                        color: Theme.textMutedDark
                        font.pixelSize: 10
                    }
                }

                Rectangle { Layout.fillWidth: true; implicitHeight: 1; color: Theme.borderDark }

                SettingsSection {
                    objectName: "folderSection"
                    title: AppState.preferences.t("settings.folder.title")

                    Rectangle {
                        Layout.fillWidth: true
                        implicitHeight: folderText.implicitHeight + 20
                        color: Theme.surface2Dark

                        Text {
                            id: folderText
                            objectName: "folderDisplay"
                            anchors { fill: parent; margins: 10 }
                            text: controller.folderDisplay
                            color: Theme.textDimDark
                            font.pixelSize: 11
                            wrapMode: Text.WrapAnywhere
                            maximumLineCount: 2
                            elide: Text.ElideRight
                        }
                    }
                    Row {
                        spacing: 8

                        SettingsButton {
                            objectName: "changeFolderButton"
                            text: AppState.preferences.t("settings.folder.change")
                            onClicked: folderDialog.open()
                        }
                        SettingsButton {
                            objectName: "openFolderButton"
                            text: AppState.preferences.t("settings.folder.open")
                            onClicked: controller.openFolder()
                        }
                    }
                }

                Rectangle { Layout.fillWidth: true; implicitHeight: 1; color: Theme.borderDark }

                SettingsSection {
                    objectName: "accountSection"
                    title: AppState.preferences.t("settings.account.title")

                    Text {
                        objectName: "accountEmail"
                        text: AppState.session.userEmail
                        color: Theme.textDimDark
                        font.pixelSize: 12
                    }
                    SettingsButton {
                        objectName: "logoutButton"
                        text: AppState.preferences.t("settings.account.logout").toUpperCase()
                        font.weight: Font.Medium
                        font.letterSpacing: 1.5
                        onClicked: AppState.session.logout()
                    }
                }
            }
        }
    }
}
