import QtQuick
import Aru

// The window's outermost screen: the sign-in screen or the signed-in screen, chosen again
// whenever the session starts or ends. It owns the start-up task of a restored session.
Item {
    id: root
    objectName: "rootView"

    SessionStartup {
        id: startup
        appState: AppState
    }

    Component.onCompleted: startup.start()

    Loader {
        id: screen
        objectName: "screenLoader"
        anchors.fill: parent
        focus: true
        sourceComponent: AppState.isLoggedIn ? signedInScreen : loginScreen
    }

    Component {
        id: loginScreen
        LoginView {}
    }

    // The catalogue screen replaces this placeholder.
    Component {
        id: signedInScreen
        SignedInPlaceholder {}
    }
}
