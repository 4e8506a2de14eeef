// The alert popup: what was found, where and when, the remember box and the Allow and Block
// answers. "More info" (IDC_FS_MoreInfo) makes the window taller: first the details of the
// detection, then the explanation the program gives in "_root.strToolTip".
import QtQuick
import "common"

MovieRoot {
    id: movie

    property string strPopupName: ""
    property string strSpamType: ""
    property string strStrictedData: ""
    property string strFrom: ""
    property string strTo: ""
    property string strSubject: ""
    property string strApplication: ""
    property string strDateTime: ""
    property string strProtocol: ""
    property string strAttachment: ""
    property string strRememberAnswer: ""
    property string strScamSite: ""
    property string strIPAddress: ""
    property string strToolTip: ""
    property string bRememberAnswer: ""

    readonly property bool web: strPopupName.toLowerCase() === "spamwebsite"
    readonly property bool remembered: bRememberAnswer.toLowerCase() === "true"
    // How many times this movie asked for more room: 1 shows the details, 2 the explanation.
    property int infoStage: 0
    readonly property int lastStage: strToolTip.length > 0 ? 2 : 1

    function allow() { send("IDC_FS_ALLOW") }
    function block() { send("IDC_FS_BLOCK") }
    function moreInfo() {
        if (infoStage >= lastStage)
            return
        infoStage += 1
        send("IDC_FS_MoreInfo")
    }
    // The program's type words end with " :"; the movie shows them without.
    function plainLabel(text) {
        return text.replace(/\s*:\s*$/, "")
    }

    Keys.onEscapePressed: block()

    Header {
        id: header
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        title: movie.web ? movie.tr("alertWebTitle") : movie.tr("alertMailTitle")
        subtitle: movie.tr("alertSubtitle")
        mark: "alert"
        markFill: Theme.block
        markFillDark: Theme.blockDark
        onDragRequested: movie.send("IDC_FS_DRAG")
        onCloseClicked: movie.block()
    }

    Column {
        id: summary
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: header.bottom
        anchors.margins: Theme.margin
        anchors.topMargin: 8
        spacing: 5

        Text {
            width: parent.width
            text: movie.plainLabel(movie.trProgram(movie.strSpamType))
            color: Theme.block
            font.family: Theme.fontFamily
            font.pixelSize: Theme.tinySize
            font.bold: true
            font.capitalization: Font.AllUppercase
            elide: Text.ElideRight
        }

        Rectangle {
            width: parent.width
            height: 28
            radius: 4
            color: Theme.danger
            border.color: Theme.dangerBorder
            Text {
                anchors.fill: parent
                anchors.leftMargin: 8
                anchors.rightMargin: 8
                verticalAlignment: Text.AlignVCenter
                text: movie.strStrictedData
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.textSize
                font.bold: true
                elide: Text.ElideMiddle
            }
        }

        Text {
            width: parent.width
            text: [movie.strApplication, movie.strDateTime].filter(function(t) { return t.length > 0 }).join("  \u00B7  ")
            color: Theme.muted
            font.family: Theme.fontFamily
            font.pixelSize: Theme.tinySize
            elide: Text.ElideRight
        }

        CheckOption {
            width: parent.width
            text: movie.tr("remember", movie.strRememberAnswer.length > 0
                                       ? movie.trProgram(movie.strRememberAnswer)
                                       : movie.tr("rememberWeb"))
            textSize: Theme.tinySize
            checked: movie.remembered
            onToggled: function(checked) { movie.bRememberAnswer = checked ? "true" : "false" }
        }
    }

    // The room "More info" adds: details first, then the explanation.
    Item {
        id: extra
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: summary.bottom
        anchors.bottom: footer.top
        anchors.margins: Theme.margin
        anchors.topMargin: 10
        anchors.bottomMargin: 8
        clip: true
        visible: movie.infoStage > 0

        Column {
            width: parent.width
            spacing: 4

            Text {
                text: movie.tr("details")
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.smallSize
                font.bold: true
            }
            Rectangle { width: parent.width; height: 1; color: Theme.divider }

            DetailRow { width: parent.width; name: movie.tr("from"); value: movie.web ? "" : movie.strFrom }
            DetailRow { width: parent.width; name: movie.tr("to"); value: movie.web ? "" : movie.strTo }
            DetailRow { width: parent.width; name: movie.tr("subject"); value: movie.web ? "" : movie.strSubject }
            DetailRow { width: parent.width; name: movie.tr("attachment"); value: movie.web ? "" : movie.strAttachment }
            DetailRow { width: parent.width; name: movie.tr("site"); value: movie.web ? movie.strScamSite : "" }
            DetailRow { width: parent.width; name: movie.tr("ipAddress"); value: movie.web ? movie.strIPAddress : "" }
            DetailRow { width: parent.width; name: movie.tr("program"); value: movie.strApplication }
            DetailRow { width: parent.width; name: movie.tr("protocol"); value: movie.strProtocol }
            DetailRow { width: parent.width; name: movie.tr("time"); value: movie.strDateTime }

            Item { width: 1; height: 6; visible: movie.infoStage > 1 }
            Text {
                visible: movie.infoStage > 1
                text: movie.tr("explanation")
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.smallSize
                font.bold: true
            }
            Rectangle { visible: movie.infoStage > 1; width: parent.width; height: 1; color: Theme.divider }
            Text {
                visible: movie.infoStage > 1
                width: parent.width
                text: movie.strToolTip
                color: Theme.text
                wrapMode: Text.Wrap
                lineHeight: 1.15
                font.family: Theme.fontFamily
                font.pixelSize: Theme.smallSize
            }
            Text {
                visible: movie.infoStage > 1
                width: parent.width
                text: movie.tr("advice")
                color: Theme.muted
                wrapMode: Text.Wrap
                font.family: Theme.fontFamily
                font.pixelSize: Theme.tinySize
                font.italic: true
            }
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

        LinkButton {
            anchors.left: parent.left
            anchors.leftMargin: Theme.margin
            anchors.verticalCenter: parent.verticalCenter
            visible: movie.infoStage < movie.lastStage
            text: movie.infoStage === 0 ? movie.tr("moreInfo") + " \u25BE" : movie.tr("whyInfo")
            onClicked: movie.moreInfo()
        }

        Row {
            anchors.right: parent.right
            anchors.rightMargin: Theme.margin
            anchors.verticalCenter: parent.verticalCenter
            spacing: Theme.spacing
            ActionButton {
                kind: "block"
                text: movie.tr("block")
                focus: true
                onClicked: movie.block()
            }
            ActionButton {
                kind: "allow"
                text: movie.tr("allow")
                onClicked: movie.allow()
            }
        }
    }
}
