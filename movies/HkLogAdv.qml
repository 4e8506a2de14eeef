// Log settings: the log file (IDC_FS_Browse asks the window for another), periodic archiving
// (IDC_FS_bArchiveLog_TRUE / _FALSE) and its period in days (IDC_FS_dayStepper). The window reads
// "_root.bArchiveLog", "_root.dayIntervalValue" and "_root.strSelectedFileLocation" back on
// IDC_FS_OK; IDC_FS_CANCEL ends it.
import QtQuick
import "common"

MovieRoot {
    id: movie

    property string bArchiveLog: "true"
    property string dayIntervalValue: "1"
    property string strSelectedFileLocation: ""

    readonly property bool archiving: bArchiveLog.toLowerCase() !== "false" && bArchiveLog.length > 0

    Keys.onEscapePressed: send("IDC_FS_CANCEL")
    Keys.onReturnPressed: send("IDC_FS_OK")
    Keys.onEnterPressed: send("IDC_FS_OK")

    Header {
        id: header
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        title: movie.tr("logTitle")
        onDragRequested: movie.send("IDC_FS_DRAG")
        onCloseClicked: movie.send("IDC_FS_CANCEL")
    }

    Column {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: header.bottom
        anchors.margins: Theme.margin
        spacing: 6

        Text {
            text: movie.tr("logFile")
            color: Theme.muted
            font.family: Theme.fontFamily
            font.pixelSize: Theme.smallSize
        }

        Row {
            width: parent.width
            spacing: 6
            Rectangle {
                width: parent.width - browse.width - parent.spacing
                height: Theme.buttonHeight
                radius: 4
                color: Theme.card
                border.color: Theme.border
                Text {
                    anchors.fill: parent
                    anchors.leftMargin: 8
                    anchors.rightMargin: 8
                    verticalAlignment: Text.AlignVCenter
                    text: movie.strSelectedFileLocation.length > 0 ? movie.strSelectedFileLocation
                                                                   : movie.tr("noFile")
                    color: movie.strSelectedFileLocation.length > 0 ? Theme.text : Theme.faint
                    elide: Text.ElideMiddle
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.smallSize
                }
            }
            ActionButton {
                id: browse
                text: movie.tr("browse")
                focus: true
                onClicked: movie.send("IDC_FS_Browse")
            }
        }

        Item { width: 1; height: 4 }
        Rectangle { width: parent.width; height: 1; color: Theme.divider }
        Item { width: 1; height: 2 }

        CheckOption {
            width: parent.width
            text: movie.tr("archive")
            textSize: Theme.textSize
            checked: movie.archiving
            onToggled: function(checked) {
                movie.bArchiveLog = checked ? "true" : "false"
                movie.send(checked ? "IDC_FS_bArchiveLog_TRUE" : "IDC_FS_bArchiveLog_FALSE")
            }
        }

        Row {
            spacing: 8
            leftPadding: 23
            opacity: movie.archiving ? 1.0 : 0.45
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: movie.tr("archiveEvery")
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.smallSize
            }
            Stepper {
                anchors.verticalCenter: parent.verticalCenter
                enabled: movie.archiving
                value: parseInt(movie.dayIntervalValue) || 1
                from: 1
                to: 255
                onStepped: function(value) {
                    movie.dayIntervalValue = String(value)
                    movie.send("IDC_FS_dayStepper", value)
                }
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: movie.tr("days")
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.smallSize
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
