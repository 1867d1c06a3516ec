import QtQuick
import QtQuick.Controls.Basic
import Aru

// The screen shown while nobody is signed in: sign in, or ask for a password-reset e-mail.
// All state and flows live in LoginController; this file only lays them out.
Rectangle {
    id: view
    objectName: "loginView"
    color: Theme.bgDark

    readonly property alias controller: controller

    LoginController {
        id: controller
        appState: AppState
        email: emailField.text
        password: passwordField.text
    }

    Column {
        anchors.centerIn: parent
        spacing: 32

        Column {
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 4

            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                text: "ARU"
                color: Theme.textDark
                font.family: Theme.displayFamily
                font.weight: Font.Light
                font.pixelSize: 48
            }
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                text: "RECORDS"
                color: Theme.textMutedDark
                font.pixelSize: 11
                font.weight: Font.Light
                font.letterSpacing: 8
            }
        }

        Column {
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 16

            Text {
                objectName: "subtitleText"
                anchors.horizontalCenter: parent.horizontalCenter
                text: AppState.preferences.t(controller.resetMode ? "login.reset.subtitle" : "login.subtitle")
                color: Theme.accent
                // 10.5 logical pixels: pixel sizes are whole, so through points at Qt's 96 dpi.
                font.pointSize: 10.5 * 0.75
                font.weight: Font.Medium
                font.letterSpacing: 3
            }
            Text {
                objectName: "titleText"
                anchors.horizontalCenter: parent.horizontalCenter
                text: AppState.preferences.t(controller.resetMode ? "login.reset.title" : "login.title")
                color: Theme.textDark
                font.family: Theme.displayFamily
                font.weight: Font.Light
                font.pixelSize: 22
            }
        }

        Column {
            id: form
            objectName: "form"
            anchors.horizontalCenter: parent.horizontalCenter
            width: 320
            spacing: 12

            Text {
                objectName: "sessionNoticeText"
                width: form.width
                visible: controller.sessionNotice !== ""
                text: controller.sessionNotice
                wrapMode: Text.Wrap
                color: Theme.accent
                font.pixelSize: 11
            }

            LoginTextField {
                id: emailField
                objectName: "emailField"
                width: form.width
                focus: true
                placeholderText: AppState.preferences.t("login.email")
                inputMethodHints: Qt.ImhEmailCharactersOnly | Qt.ImhNoAutoUppercase
                onAccepted: controller.submit()
            }

            LoginTextField {
                id: passwordField
                objectName: "passwordField"
                width: form.width
                visible: !controller.resetMode
                echoMode: TextInput.Password
                placeholderText: AppState.preferences.t("login.password")
                onAccepted: controller.login()
            }

            Text {
                objectName: "errorText"
                width: form.width
                visible: controller.hasError
                text: controller.error
                wrapMode: Text.Wrap
                color: Qt.rgba(1, 0, 0, 0.85)
                font.pixelSize: 11
            }

            Text {
                objectName: "resetSuccessText"
                width: form.width
                visible: controller.hasResetSuccess
                text: controller.resetSuccess
                wrapMode: Text.Wrap
                color: Theme.accent
                font.pixelSize: 11
            }

            // The button sits 4 further down than the form's spacing.
            Item {
                width: form.width
                height: submitButton.height + 4

                Button {
                    id: submitButton
                    objectName: "submitButton"
                    anchors.bottom: parent.bottom
                    width: parent.width
                    padding: 12
                    enabled: !controller.submitDisabled
                    opacity: enabled ? 1 : 0.5
                    hoverEnabled: false
                    focusPolicy: Qt.NoFocus
                    onClicked: controller.submit()

                    background: Rectangle {
                        color: Theme.accent
                    }
                    contentItem: Item {
                        implicitHeight: submitLabel.implicitHeight
                        Row {
                            anchors.centerIn: parent
                            spacing: 8

                            BusyIndicator {
                                objectName: "submitSpinner"
                                anchors.verticalCenter: parent.verticalCenter
                                visible: controller.isLoading
                                running: visible
                                implicitWidth: 16
                                implicitHeight: 16
                                padding: 0
                                scale: 0.7
                                palette.dark: Theme.bgDark
                            }
                            Text {
                                id: submitLabel
                                objectName: "submitLabel"
                                anchors.verticalCenter: parent.verticalCenter
                                text: controller.submitLabel.toUpperCase()
                                color: Theme.bgDark
                                font.pixelSize: 11
                                font.weight: Font.Medium
                                font.letterSpacing: 2
                            }
                        }
                    }
                }
            }

            AbstractButton {
                objectName: "modeLink"
                padding: 0
                focusPolicy: Qt.NoFocus
                onClicked: controller.toggleResetMode()
                contentItem: Text {
                    text: AppState.preferences.t(controller.resetMode ? "login.reset.back" : "login.forgotPassword")
                    color: Theme.textMutedDark
                    font.pixelSize: 11
                    font.underline: true
                }
            }
        }
    }
}
