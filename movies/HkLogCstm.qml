// Alert display settings: which alert popups are shown. Each choice sends its command
// (IDC_FS_checkAllAlerts, _DisplayMailAlert, _DisplayWebAlert, _clearAllAlerts); OK and Cancel
// end the window.
import QtQuick
import "common"

MovieRoot {
    id: movie

    // The mail alert switch ("1" or "0") and the web one, as the window sends them.
    property string displayTypeAlert: ""
    property string displayWebAlert: ""
    // The choice shown: "all", "mail", "web" or "none"; empty until the user picks one.
    property string picked: ""

    readonly property string current: {
        if (picked.length > 0)
            return picked
        var mail = displayTypeAlert === "1"
        var webKnown = displayWebAlert.length > 0
        var web = webKnown ? displayWebAlert === "1" : mail
        if (mail && web) return "all"
        if (mail) return "mail"
        if (web) return "web"
        return "none"
    }

    readonly property var choices: [
        { key: "all", command: "IDC_FS_checkAllAlerts", title: "alertsAll", detail: "alertsAllDetail" },
        { key: "mail", command: "IDC_FS_DisplayMailAlert", title: "alertsMail", detail: "alertsMailDetail" },
        { key: "web", command: "IDC_FS_DisplayWebAlert", title: "alertsWeb", detail: "alertsWebDetail" },
        { key: "none", command: "IDC_FS_clearAllAlerts", title: "alertsNone", detail: "alertsNoneDetail" }
    ]

    function pick(choice) {
        picked = choice.key
        send(choice.command)
    }

    Keys.onEscapePressed: send("IDC_FS_CANCEL")
    Keys.onReturnPressed: send("IDC_FS_OK")
    Keys.onEnterPressed: send("IDC_FS_OK")

    Header {
        id: header
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        title: movie.tr("alertsTitle")
        onDragRequested: movie.send("IDC_FS_DRAG")
        onCloseClicked: movie.send("IDC_FS_CANCEL")
    }

    Column {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: header.bottom
        anchors.margins: Theme.margin
        anchors.topMargin: 8
        spacing: 4

        Text {
            width: parent.width
            text: movie.tr("alertsIntro")
            color: Theme.muted
            wrapMode: Text.Wrap
            font.family: Theme.fontFamily
            font.pixelSize: Theme.tinySize
        }

        Repeater {
            model: movie.choices
            RadioOption {
                width: parent.width
                height: 26
                text: movie.tr(modelData.title)
                checked: movie.current === modelData.key
                markColor: modelData.key === "none" ? Theme.block : Theme.accent
                focus: checked
                onPicked: movie.pick(modelData)
            }
        }
    }

    Rectangle {
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
            ActionButton { kind: "primary"; text: movie.tr("ok"); onClicked: movie.send("IDC_FS_OK") }
            ActionButton { text: movie.tr("cancel"); onClicked: movie.send("IDC_FS_CANCEL") }
        }
    }
}
