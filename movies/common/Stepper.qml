// A number with minus and plus buttons; the arrow keys step it when focused. A step asks for the
// new value (`stepped`); the owner keeps `value` bound to its own state.
import QtQuick

Rectangle {
    id: stepper
    property int value: 1
    property int from: 1
    property int to: 255
    signal stepped(int value)

    implicitWidth: 104
    implicitHeight: 26
    radius: 4
    color: Theme.card
    border.width: activeFocus ? 2 : 1
    border.color: activeFocus ? Theme.focus : Theme.border
    activeFocusOnTab: true

    function step(delta) {
        var next = Math.max(from, Math.min(to, value + delta))
        if (next !== value)
            stepped(next)
    }

    Keys.onUpPressed: step(1)
    Keys.onRightPressed: step(1)
    Keys.onDownPressed: step(-1)
    Keys.onLeftPressed: step(-1)

    Repeater {
        model: [ { sign: "\u2212", delta: -1, left: true }, { sign: "+", delta: 1, left: false } ]
        Rectangle {
            x: modelData.left ? 1 : stepper.width - width - 1
            y: 1
            width: 28
            height: stepper.height - 2
            radius: 3
            color: stepArea.pressed ? "#DCE3EE" : (stepArea.containsMouse ? "#EEF2F8" : "#F5F7FB")
            Text {
                anchors.centerIn: parent
                text: modelData.sign
                color: Theme.text
                font.pixelSize: 15
                font.bold: true
            }
            MouseArea {
                id: stepArea
                anchors.fill: parent
                hoverEnabled: true
                onClicked: { stepper.forceActiveFocus(); stepper.step(modelData.delta) }
            }
        }
    }

    Text {
        anchors.centerIn: parent
        text: stepper.value
        color: Theme.text
        font.family: Theme.fontFamily
        font.pixelSize: Theme.textSize
        font.bold: true
    }
}
