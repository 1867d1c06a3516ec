import QtQuick
import QtQuick.Controls.Basic
import Aru

// The one main window. Its content (the root view) is at least 720 × 700 and opens at
// 1280 × 820; the menu bar sits above that content, so the window adds its height.
ApplicationWindow {
    id: window
    objectName: "appWindow"

    readonly property bool darkScheme: AppState.preferences.theme === "dark"
    readonly property real menuBarHeight: menuBar ? menuBar.implicitHeight : 0

    title: "ARU Sync"
    visible: true
    minimumWidth: 720
    minimumHeight: 700 + menuBarHeight
    width: 1280
    height: 820 + menuBarHeight
    color: Theme.bgDark

    // The window's colour scheme; the design's tokens stay the same in both.
    palette {
        window: darkScheme ? Theme.bgDark : "#f2f2f2"
        windowText: darkScheme ? Theme.textDark : "#1a1a1a"
        base: darkScheme ? Theme.surfaceDark : "#ffffff"
        alternateBase: darkScheme ? Theme.surface2Dark : "#f7f7f7"
        text: darkScheme ? Theme.textDark : "#1a1a1a"
        button: darkScheme ? Theme.surface2Dark : "#e6e6e6"
        buttonText: darkScheme ? Theme.textDark : "#1a1a1a"
        light: darkScheme ? "#2a2a2a" : "#ffffff"
        mid: darkScheme ? "#1e1e1e" : "#c8c8c8"
        dark: darkScheme ? "#050505" : "#9a9a9a"
        highlight: Theme.accent
        highlightedText: Theme.bgDark
        placeholderText: Theme.textMutedDark
        toolTipBase: Theme.surface2Dark
        toolTipText: Theme.textDark
    }

    // Menu texts are fixed French texts, whatever the interface language. Only Quit has a
    // shortcut: the application menu of every Linux desktop app offers it with Ctrl+Q (spelled
    // out, since the platform's standard Quit key is empty under some keyboard schemes).
    menuBar: MenuBar {
        objectName: "menuBar"

        Menu {
            title: "ARU Sync"

            Action {
                objectName: "aboutAction"
                text: "À propos d'ARU Sync"
                onTriggered: aboutDialog.open()
            }
            // Beyond the fixed French commands: its dialog speaks the interface's language.
            Action {
                objectName: "shortcutsAction"
                text: AppState.preferences.t("shortcuts.title") + "…"
                onTriggered: shortcutsDialog.open()
            }
            MenuSeparator {}
            Action {
                objectName: "quitAction"
                text: "Quitter ARU Sync"
                shortcut: "Ctrl+Q"
                onTriggered: Qt.quit()
            }
        }
        Menu {
            title: "Compte"

            Action {
                objectName: "logoutAction"
                text: "Déconnexion"
                onTriggered: AppState.session.logout()
            }
        }
    }

    RootView {
        anchors.fill: parent
        focus: true
    }

    AboutDialog {
        id: aboutDialog
    }

    ShortcutsDialog {
        id: shortcutsDialog
    }
}
