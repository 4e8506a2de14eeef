// A push button: "primary", "allow", "block" or "neutral"; Enter or Space presses it when focused.
// With pill set it is the smaller rounded button of the main window's pages: filled in tone, or
// outlined for the quieter actions.
import QtQuick

Rectangle {
    id: button
    property string text: ""
    property string kind: "neutral"
    property bool pill: false
    property color tone: Theme.accent
    property bool outline: false
    signal clicked()

    readonly property bool filled: pill ? !outline : kind !== "neutral"
    readonly property color base: kind === "allow" ? Theme.allow
                                : kind === "block" ? Theme.block
                                : kind === "primary" ? Theme.accent : Theme.card
    readonly property color dark: kind === "allow" ? Theme.allowDark
                                : kind === "block" ? Theme.blockDark
                                : kind === "primary" ? Theme.accentDark : "#E9EDF3"
    readonly property color pillColor: outline ? (area.containsMouse ? Theme.hover : Theme.card)
                                     : area.pressed ? Qt.darker(tone, 1.2)
                                     : area.containsMouse ? Qt.darker(tone, 1.08) : tone

    implicitWidth: pill ? label.implicitWidth + 22 : Math.max(76, label.implicitWidth + 28)
    implicitHeight: pill ? 24 : Theme.buttonHeight
    radius: pill ? 12 : 5
    opacity: enabled ? 1.0 : (pill ? 0.4 : 0.5)
    activeFocusOnTab: enabled
    color: pill ? pillColor
         : area.pressed || (area.containsMouse && filled) ? dark
         : (area.containsMouse ? Theme.hover : base)
    border.width: activeFocus ? 2 : (filled ? 0 : 1)
    border.color: activeFocus ? Theme.focus : Theme.border

    Keys.onReturnPressed: function(event) { if (button.enabled) button.clicked(); event.accepted = true }
    Keys.onEnterPressed: function(event) { if (button.enabled) button.clicked(); event.accepted = true }
    Keys.onSpacePressed: function(event) { if (button.enabled) button.clicked(); event.accepted = true }

    Text {
        id: label
        anchors.centerIn: parent
        text: button.text
        color: button.pill && button.outline ? button.tone
             : button.filled ? Theme.onColour : Theme.text
        font.family: Theme.fontFamily
        font.pixelSize: button.pill ? Theme.smallSize : Theme.textSize
        font.bold: button.pill || button.filled
    }

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        enabled: button.enabled
        onClicked: button.clicked()
    }
}
