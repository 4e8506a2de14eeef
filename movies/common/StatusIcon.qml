// A round status sign: "error", "warning", "question" or "info".
import QtQuick

Rectangle {
    id: icon
    property string kind: "info"

    implicitWidth: 32
    implicitHeight: 32
    radius: width / 2
    color: kind === "error" ? Theme.block
         : kind === "warning" ? Theme.warning
         : kind === "question" ? Theme.accent : Theme.info

    Text {
        anchors.centerIn: parent
        text: icon.kind === "error" ? "\u2715"
            : icon.kind === "warning" ? "!"
            : icon.kind === "question" ? "?" : "i"
        color: "#FFFFFF"
        font.family: Theme.fontFamily
        font.pixelSize: icon.kind === "error" ? icon.height * 0.45 : icon.height * 0.6
        font.bold: true
    }
}
