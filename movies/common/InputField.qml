// A labelled one-line text box; `secret` hides what is typed. `edited` follows a user change.
import QtQuick

Column {
    id: field
    property string label: ""
    property alias text: input.text
    property bool secret: false
    property alias input: input
    signal edited(string text)
    signal accepted()

    spacing: 3

    Text {
        text: field.label
        color: Theme.muted
        font.family: Theme.fontFamily
        font.pixelSize: Theme.smallSize
    }

    Rectangle {
        width: field.width
        height: 26
        radius: 4
        color: Theme.card
        border.width: input.activeFocus ? 2 : 1
        border.color: input.activeFocus ? Theme.accent : Theme.border

        TextInput {
            id: input
            anchors.fill: parent
            anchors.leftMargin: 8
            anchors.rightMargin: 8
            verticalAlignment: TextInput.AlignVCenter
            clip: true
            activeFocusOnTab: true
            echoMode: field.secret ? TextInput.Password : TextInput.Normal
            passwordCharacter: "\u2022"
            color: Theme.text
            selectionColor: Theme.accent
            font.family: Theme.fontFamily
            font.pixelSize: Theme.textSize
            onTextEdited: field.edited(text)
            onAccepted: field.accepted()
        }
        MouseArea {
            anchors.fill: parent
            cursorShape: Qt.IBeamCursor
            onPressed: function(mouse) { input.forceActiveFocus(); mouse.accepted = false }
        }
    }
}
