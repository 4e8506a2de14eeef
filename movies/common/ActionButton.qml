// A push button: "primary", "allow", "block" or "neutral"; Enter or Space presses it when focused.
import QtQuick

Rectangle {
    id: button
    property string text: ""
    property string kind: "neutral"
    signal clicked()

    readonly property bool filled: kind !== "neutral"
    readonly property color base: kind === "allow" ? Theme.allow
                                : kind === "block" ? Theme.block
                                : kind === "primary" ? Theme.accent : Theme.card
    readonly property color dark: kind === "allow" ? Theme.allowDark
                                : kind === "block" ? Theme.blockDark
                                : kind === "primary" ? Theme.accentDark : "#E9EDF3"

    implicitWidth: Math.max(76, label.implicitWidth + 28)
    implicitHeight: Theme.buttonHeight
    radius: 5
    opacity: enabled ? 1.0 : 0.5
    activeFocusOnTab: enabled
    color: area.pressed || (area.containsMouse && filled) ? dark
         : (area.containsMouse ? "#F0F3F8" : base)
    border.width: activeFocus ? 2 : (filled ? 0 : 1)
    border.color: activeFocus ? Theme.focus : Theme.border

    Keys.onReturnPressed: function(event) { if (button.enabled) button.clicked(); event.accepted = true }
    Keys.onEnterPressed: function(event) { if (button.enabled) button.clicked(); event.accepted = true }
    Keys.onSpacePressed: function(event) { if (button.enabled) button.clicked(); event.accepted = true }

    Text {
        id: label
        anchors.centerIn: parent
        text: button.text
        color: button.filled ? "#FFFFFF" : Theme.text
        font.family: Theme.fontFamily
        font.pixelSize: Theme.textSize
        font.bold: button.filled
    }

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        enabled: button.enabled
        onClicked: button.clicked()
    }
}
