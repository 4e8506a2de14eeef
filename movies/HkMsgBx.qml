// The program's message box: caption, sign, message and the buttons its flags ask for. It reports
// its preferred size (IDC_FS_WIDTH, then IDC_FS_HIGH) and the button pressed (IDC_FS_OK, _YES,
// _NO, _Cancel).
import QtQuick
import "common"

MovieRoot {
    id: movie

    property string strMessageText: ""
    property string strCaption: ""
    property string dwFlags: "0"
    property string bMessageChanged: ""

    readonly property int flags: parseInt(dwFlags) || 0
    // Low four bits: 0 OK, 1 OK and Cancel, 3 and 4 Yes and No (the confirmation questions).
    readonly property int buttonSet: flags & 0x0F
    readonly property bool yesNo: buttonSet === 3 || buttonSet === 4
    readonly property bool withCancel: buttonSet === 1 || buttonSet === 2 || buttonSet === 5
    readonly property string iconKind: {
        switch (flags & 0xF0) {
        case 0x10: return "error"
        case 0x20: return "question"
        case 0x30: return "warning"
        case 0x40: return "info"
        }
        return yesNo ? "question" : "info"
    }

    readonly property int iconSize: 34
    readonly property int textLeft: Theme.margin + iconSize + 12
    readonly property int preferredWidth: Math.max(300, Math.min(460,
        Math.ceil(measure.implicitWidth) + textLeft + Theme.margin + 6))
    readonly property int preferredHeight: header.height + Theme.margin + 4
        + Math.max(iconSize, Math.ceil(wrapped.implicitHeight)) + 16 + Theme.buttonHeight + Theme.margin

    property int reportedWidth: -1
    property int reportedHeight: -1

    function reportSize() {
        if (preferredWidth === reportedWidth && preferredHeight === reportedHeight)
            return
        reportedWidth = preferredWidth
        reportedHeight = preferredHeight
        send("IDC_FS_WIDTH", preferredWidth)
        send("IDC_FS_HIGH", preferredHeight)
    }

    function primary() { send(yesNo ? "IDC_FS_YES" : "IDC_FS_OK") }
    function secondary() {
        if (yesNo)
            send("IDC_FS_NO")
        else if (withCancel)
            send("IDC_FS_Cancel")
        else
            send("IDC_FS_OK")
    }

    onPreferredWidthChanged: Qt.callLater(reportSize)
    onPreferredHeightChanged: Qt.callLater(reportSize)
    onBMessageChangedChanged: Qt.callLater(reportSize)
    Component.onCompleted: Qt.callLater(reportSize)

    Keys.onEscapePressed: secondary()
    Keys.onReturnPressed: primary()
    Keys.onEnterPressed: primary()

    // Text measured on one line (for the width) and wrapped at the chosen width (for the height).
    Text {
        id: measure
        visible: false
        text: movie.strMessageText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.textSize
    }
    Text {
        id: wrapped
        visible: false
        width: movie.preferredWidth - movie.textLeft - Theme.margin
        text: movie.strMessageText
        wrapMode: Text.Wrap
        lineHeight: 1.15
        font.family: Theme.fontFamily
        font.pixelSize: Theme.textSize
    }

    Header {
        id: header
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        title: movie.strCaption.length > 0 ? movie.strCaption : "Hookwise"
        mark: movie.iconKind === "error" || movie.iconKind === "warning" ? "alert" : "check"
        markFill: movie.iconKind === "error" ? Theme.block
                : movie.iconKind === "warning" ? Theme.warning : Theme.accent
        markFillDark: movie.iconKind === "error" ? Theme.blockDark
                    : movie.iconKind === "warning" ? "#C2850C" : Theme.accentDark
        onDragRequested: movie.send("IDC_FS_DRAG")
        onCloseClicked: movie.secondary()
    }

    StatusIcon {
        id: sign
        x: Theme.margin
        y: header.height + Theme.margin + 4
        width: movie.iconSize
        height: movie.iconSize
        kind: movie.iconKind
    }

    Text {
        x: movie.textLeft
        y: header.height + Theme.margin + 4
           + Math.max(0, (movie.iconSize - Math.ceil(wrapped.implicitHeight)) / 2)
        width: movie.width - movie.textLeft - Theme.margin
        height: buttons.y - y - 8
        text: movie.strMessageText
        color: Theme.text
        wrapMode: Text.Wrap
        lineHeight: 1.15
        elide: Text.ElideRight
        font.family: Theme.fontFamily
        font.pixelSize: Theme.textSize
    }

    Rectangle {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: Theme.buttonHeight + 2 * 10
        color: "#EBEFF5"
        Rectangle {
            anchors.left: parent.left
            anchors.right: parent.right
            height: 1
            color: Theme.divider
        }
    }

    Row {
        id: buttons
        anchors.right: parent.right
        anchors.rightMargin: Theme.margin
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 10
        spacing: Theme.spacing

        ActionButton {
            id: primaryButton
            kind: "primary"
            text: movie.yesNo ? movie.tr("yes") : movie.tr("ok")
            focus: true
            onClicked: movie.primary()
        }
        ActionButton {
            visible: movie.yesNo || movie.withCancel
            text: movie.yesNo ? movie.tr("no") : movie.tr("cancel")
            onClicked: movie.secondary()
        }
    }
}
