// A check box with its label; Space or a click asks to toggle it (`toggled` with the new state).
// The owner keeps `checked` bound to its own state, so the box always shows that state.
import QtQuick

Item {
    id: option
    property string text: ""
    property bool checked: false
    property int textSize: Theme.smallSize
    signal toggled(bool checked)

    implicitWidth: box.width + 8 + label.implicitWidth
    implicitHeight: Math.max(box.height, label.implicitHeight)
    activeFocusOnTab: true

    function toggle() {
        toggled(!checked)
    }

    Keys.onSpacePressed: function(event) { option.toggle(); event.accepted = true }

    Rectangle {
        id: box
        anchors.top: parent.top
        anchors.topMargin: Math.max(0, (label.lineHeightPx - height) / 2)
        width: 15
        height: 15
        radius: 3
        color: option.checked ? Theme.accent : Theme.card
        border.width: option.activeFocus ? 2 : 1
        border.color: option.activeFocus ? Theme.focus : (option.checked ? Theme.accent : "#A9B5C6")
        Text {
            anchors.centerIn: parent
            visible: option.checked
            text: "\u2713"
            color: "#FFFFFF"
            font.pixelSize: 12
            font.bold: true
        }
    }

    Text {
        id: label
        readonly property real lineHeightPx: font.pixelSize * 1.3
        anchors.left: box.right
        anchors.leftMargin: 8
        anchors.right: parent.right
        anchors.top: parent.top
        text: option.text
        color: Theme.text
        wrapMode: Text.WordWrap
        font.family: Theme.fontFamily
        font.pixelSize: option.textSize
    }

    MouseArea {
        anchors.fill: parent
        onClicked: option.toggle()
    }
}
