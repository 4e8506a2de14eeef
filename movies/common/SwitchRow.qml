// An on / off switch with its label (textOn / textOff beside it, an optional link before them);
// Space or a click asks for the other state.
import QtQuick

Item {
    id: switchRow
    property string text: ""
    property bool on: false
    property string textOn: ""
    property string textOff: ""
    property string linkText: ""
    signal toggled()
    signal linkClicked()

    implicitHeight: 32
    activeFocusOnTab: true
    Keys.onSpacePressed: function(event) { switchRow.toggled(); event.accepted = true }

    Text {
        anchors.left: parent.left
        anchors.leftMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        text: switchRow.text
        color: Theme.text
        font.family: Theme.fontFamily
        font.pixelSize: Theme.textSize
    }
    LinkButton {
        visible: switchRow.linkText.length > 0
        anchors.right: stateText.left
        anchors.rightMargin: 14
        anchors.verticalCenter: parent.verticalCenter
        text: switchRow.linkText
        onClicked: switchRow.linkClicked()
    }
    Text {
        id: stateText
        anchors.right: track.left
        anchors.rightMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        text: switchRow.on ? switchRow.textOn : switchRow.textOff
        color: switchRow.on ? Theme.allow : Theme.muted
        font.family: Theme.fontFamily
        font.pixelSize: Theme.smallSize
        font.bold: true
    }
    Rectangle {
        id: track
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        width: 36
        height: 20
        radius: 10
        color: switchRow.on ? Theme.allow : Theme.track
        border.width: switchRow.activeFocus ? 2 : 0
        border.color: Theme.focus
        Rectangle {
            width: 16
            height: 16
            radius: 8
            y: 2
            x: switchRow.on ? parent.width - width - 2 : 2
            color: Theme.onColour
            Behavior on x { NumberAnimation { duration: 120 } }
        }
        MouseArea {
            anchors.fill: parent
            anchors.margins: -6
            onClicked: { switchRow.forceActiveFocus(); switchRow.toggled() }
        }
    }
}
