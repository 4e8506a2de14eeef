// The confirmation over the whole window before a command that loses entries: open() shows the
// question and the button that sends the command; Escape or Cancel closes it and gives the focus
// back.
import QtQuick
import "../common"

Rectangle {
    id: confirmPanel
    property Item movie
    visible: false
    color: Theme.shade
    property string command: ""
    property Item returnFocus: null

    function open(text, confirmText, command) {
        confirmMessage.text = text
        confirmButton.text = confirmText
        confirmPanel.command = command
        returnFocus = Window.activeFocusItem
        visible = true
        confirmButton.forceActiveFocus()
    }
    function close() {
        visible = false
        if (returnFocus)
            returnFocus.forceActiveFocus()
    }
    function confirm() {
        var command = confirmPanel.command
        close()
        movie.send(command)
    }

    MouseArea { anchors.fill: parent; acceptedButtons: Qt.AllButtons }
    Card {
        anchors.centerIn: parent
        width: 300
        height: confirmColumn.height + 28
        Column {
            id: confirmColumn
            x: 14
            y: 14
            width: parent.width - 28
            spacing: 14
            Row {
                width: parent.width
                spacing: 10
                StatusIcon { kind: "warning"; width: 26; height: 26 }
                Text {
                    id: confirmMessage
                    width: parent.width - 36
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.textSize
                    wrapMode: Text.WordWrap
                }
            }
            Row {
                anchors.right: parent.right
                spacing: 6
                ActionButton { id: confirmButton; pill: true; tone: Theme.block; onClicked: confirmPanel.confirm() }
                ActionButton { pill: true; text: movie.say("cancel"); outline: true; tone: Theme.text; onClicked: confirmPanel.close() }
            }
        }
    }
}
