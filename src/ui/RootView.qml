import QtQuick
import Aru

// The window's outermost screen: the sign-in screen or the signed-in screen, chosen again
// whenever the session starts or ends. Its first showing starts a restored session.
Item {
    id: root
    objectName: "rootView"

    Component.onCompleted: AppState.session.start()

    Loader {
        id: screen
        objectName: "screenLoader"
        anchors.fill: parent
        focus: true
        sourceComponent: AppState.session.isLoggedIn ? signedInScreen : loginScreen
    }

    Component {
        id: loginScreen
        LoginView {}
    }

    Component {
        id: signedInScreen
        CatalogView {}
    }
}
