// One choice of a group: a round mark, a title and an optional explanation. Space or Enter picks
// it when focused; the group keeps `checked` in line through `picked`.
import QtQuick

Rectangle {
    id: option
    property string text: ""
    property string detail: ""
    property bool checked: false
    property color markColor: Theme.accent
    signal picked()

    implicitHeight: content.implicitHeight + 9
    radius: 5
    color: checked ? "#EAF1FD" : (area.containsMouse ? "#F7F9FC" : Theme.card)
    border.width: activeFocus ? 2 : 1
    border.color: activeFocus ? Theme.focus : (checked ? Theme.accent : Theme.border)
    activeFocusOnTab: true

    Keys.onSpacePressed: function(event) { option.picked(); event.accepted = true }
    Keys.onReturnPressed: function(event) { option.picked(); event.accepted = false }

    Rectangle {
        id: ring
        anchors.left: parent.left
        anchors.leftMargin: 9
        anchors.top: parent.top
        anchors.topMargin: option.detail.length > 0 ? 5 : Math.round((option.height - height) / 2)
        width: 14
        height: 14
        radius: 7
        color: Theme.card
        border.width: option.checked ? 4 : 1
        border.color: option.checked ? option.markColor : "#A9B5C6"
    }

    Column {
        id: content
        anchors.left: ring.right
        anchors.leftMargin: 8
        anchors.right: parent.right
        anchors.rightMargin: 8
        anchors.top: parent.top
        anchors.topMargin: 4
        spacing: 0
        Text {
            width: parent.width
            text: option.text
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.textSize
            font.bold: option.checked
            elide: Text.ElideRight
        }
        Text {
            width: parent.width
            visible: option.detail.length > 0
            text: option.detail
            color: Theme.muted
            font.family: Theme.fontFamily
            font.pixelSize: Theme.tinySize
            wrapMode: Text.WordWrap
        }
    }

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        onClicked: { option.forceActiveFocus(); option.picked() }
    }
}
