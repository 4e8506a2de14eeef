// A text-only button in the accent colour, for secondary actions ("More info").
import QtQuick

Text {
    id: link
    signal clicked()

    color: area.containsMouse || activeFocus ? Theme.accentDark : Theme.accent
    font.family: Theme.fontFamily
    font.pixelSize: Theme.smallSize
    font.underline: area.containsMouse || activeFocus
    activeFocusOnTab: true

    Keys.onReturnPressed: function(event) { link.clicked(); event.accepted = true }
    Keys.onEnterPressed: function(event) { link.clicked(); event.accepted = true }
    Keys.onSpacePressed: function(event) { link.clicked(); event.accepted = true }

    MouseArea {
        id: area
        anchors.fill: parent
        anchors.margins: -3
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: link.clicked()
    }
}
