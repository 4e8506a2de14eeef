// Protection options: the permission mode of the mail list (label "mailProtection", variable
// "_root.selectedMailOption") or of the site list ("siteBlocking", "_root.selectedWebOption"):
// 0 allow all, 1 block all, 2 decide per item. IDC_FS_OK and IDC_FS_Cancel end the window.
import QtQuick
import "common"

MovieRoot {
    id: movie

    property string selectedMailOption: "2"
    property string selectedWebOption: "2"

    readonly property bool sitePage: currentLabel === "siteBlocking"
    readonly property string option: sitePage ? selectedWebOption : selectedMailOption

    function choose(value) {
        if (sitePage)
            selectedWebOption = String(value)
        else
            selectedMailOption = String(value)
    }

    readonly property var options: [
        { value: 2, title: "optAsk", detail: "optAskDetail", color: Theme.accent },
        { value: 1, title: "optBlock", detail: "optBlockDetail", color: Theme.block },
        { value: 0, title: "optAllow", detail: "optAllowDetail", color: Theme.allow }
    ]

    Keys.onEscapePressed: send("IDC_FS_Cancel")
    Keys.onReturnPressed: send("IDC_FS_OK")
    Keys.onEnterPressed: send("IDC_FS_OK")

    Header {
        id: header
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        title: movie.sitePage ? movie.tr("siteTitle") : movie.tr("mailTitle")
        onDragRequested: movie.send("IDC_FS_DRAG")
        onCloseClicked: movie.send("IDC_FS_Cancel")
    }

    Column {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: header.bottom
        anchors.margins: Theme.margin
        anchors.topMargin: 8
        spacing: 6

        Text {
            width: parent.width
            text: movie.sitePage ? movie.tr("siteIntro") : movie.tr("mailIntro")
            color: Theme.muted
            wrapMode: Text.Wrap
            font.family: Theme.fontFamily
            font.pixelSize: Theme.smallSize
        }

        Repeater {
            model: movie.options
            RadioOption {
                width: parent.width
                text: movie.tr(modelData.title)
                detail: movie.tr(modelData.detail)
                markColor: modelData.color
                checked: parseInt(movie.option) === modelData.value
                focus: checked
                onPicked: movie.choose(modelData.value)
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
            ActionButton { text: movie.tr("cancel"); onClicked: movie.send("IDC_FS_Cancel") }
        }
    }
}
