// Help and minimise, for beside the header's close button.
import QtQuick
import "../common"

Row {
    id: windowButtons
    property Item movie
    spacing: 2
    Repeater {
        model: [ { sign: "?", command: "IDC_FS_Help" }, { sign: "\u2013", command: "IDC_FS_MINIMIZE" } ]
        Rectangle {
            width: 24
            height: 24
            radius: 4
            color: headerButtonArea.containsMouse ? Theme.headerHover : "transparent"
            Text {
                anchors.centerIn: parent
                text: modelData.sign
                color: Theme.headerMuted
                font.family: Theme.fontFamily
                font.pixelSize: 13
                font.bold: true
            }
            MouseArea {
                id: headerButtonArea
                anchors.fill: parent
                hoverEnabled: true
                onClicked: movie.send(modelData.command)
            }
        }
    }
}
