// The password window: login (label "login"), set ("setps") or change ("changeps"). The typed
// texts live in "_root.strPasswordValue", "_root.strVerifyPassword" and
// "_root.strOldPasswordValue"; IDC_FS_LoginPassword asks the window to check them,
// IDC_FS_CancelLoginPassword closes it.
import QtQuick
import "common"

MovieRoot {
    id: movie

    property string strPasswordValue: ""
    property string strVerifyPassword: ""
    property string strOldPasswordValue: ""

    readonly property string mode: currentLabel === "setps" || currentLabel === "changeps" ? currentLabel : "login"
    readonly property bool login: mode === "login"
    readonly property bool change: mode === "changeps"

    function ok() { send("IDC_FS_LoginPassword") }
    function cancel() { send("IDC_FS_CancelLoginPassword") }

    // The first empty field takes the focus, as after a refusal that cleared them.
    function focusFirstField() {
        if (change && strOldPasswordValue.length === 0)
            oldField.input.forceActiveFocus()
        else
            newField.input.forceActiveFocus()
    }

    onModeChanged: Qt.callLater(focusFirstField)
    onStrPasswordValueChanged: if (strPasswordValue.length === 0) Qt.callLater(focusFirstField)
    Component.onCompleted: Qt.callLater(focusFirstField)

    Keys.onEscapePressed: cancel()

    Header {
        id: header
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        title: movie.login ? movie.tr("loginTitle") : movie.change ? movie.tr("changeTitle") : movie.tr("setTitle")
        mark: "lock"
        onDragRequested: movie.send("IDC_FS_DRAG")
        onCloseClicked: movie.cancel()
    }

    Column {
        id: fields
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.margins: Theme.margin + 2
        // Centred in the room between title bar and buttons; from the top when it is short.
        y: header.height + Math.max(10, (movie.height - header.height - footer.height - implicitHeight) / 2)
        spacing: 8

        ShieldIcon {
            anchors.horizontalCenter: parent.horizontalCenter
            visible: movie.login
            width: 34
            height: 39
            mark: "lock"
        }

        Text {
            width: parent.width
            horizontalAlignment: movie.login ? Text.AlignHCenter : Text.AlignLeft
            text: movie.login ? movie.tr("loginIntro") : movie.change ? movie.tr("changeIntro") : movie.tr("setIntro")
            color: Theme.muted
            wrapMode: Text.Wrap
            font.family: Theme.fontFamily
            font.pixelSize: Theme.smallSize
        }

        InputField {
            id: oldField
            width: parent.width
            visible: movie.change
            label: movie.tr("oldPassword")
            secret: true
            text: movie.strOldPasswordValue
            onEdited: function(text) { movie.strOldPasswordValue = text }
            onAccepted: newField.input.forceActiveFocus()
        }
        InputField {
            id: newField
            width: parent.width
            label: movie.login ? movie.tr("password") : movie.tr("newPassword")
            secret: true
            text: movie.strPasswordValue
            onEdited: function(text) { movie.strPasswordValue = text }
            onAccepted: movie.login ? movie.ok() : verifyField.input.forceActiveFocus()
        }
        InputField {
            id: verifyField
            width: parent.width
            visible: !movie.login
            label: movie.tr("confirmPassword")
            secret: true
            text: movie.strVerifyPassword
            onEdited: function(text) { movie.strVerifyPassword = text }
            onAccepted: movie.ok()
        }
    }

    Rectangle {
        id: footer
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: Theme.buttonHeight + 12
        color: "#EBEFF5"
        Rectangle { anchors.left: parent.left; anchors.right: parent.right; height: 1; color: Theme.divider }
        Row {
            anchors.right: parent.right
            anchors.rightMargin: Theme.margin
            anchors.verticalCenter: parent.verticalCenter
            spacing: Theme.spacing
            ActionButton {
                kind: "primary"
                text: movie.login ? movie.tr("login") : movie.tr("save")
                onClicked: movie.ok()
            }
            ActionButton { text: movie.tr("cancel"); onClicked: movie.cancel() }
        }
    }
}
