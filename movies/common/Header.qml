// The dark title bar of every window: the shield, a title, an optional subtitle and close button.
// Pressing anywhere on it (but the close button) starts a window drag.
import QtQuick

Rectangle {
    id: header
    property string title: ""
    property string subtitle: ""
    property string mark: "check"
    property color markFill: Theme.accent
    property color markFillDark: Theme.accentDark
    property bool showClose: true
    property string closeTip: ""

    signal dragRequested()
    signal closeClicked()

    height: subtitle.length > 0 ? Theme.headerHeight + 12 : Theme.headerHeight
    gradient: Gradient {
        GradientStop { position: 0.0; color: Theme.headerTop }
        GradientStop { position: 1.0; color: Theme.header }
    }

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.LeftButton
        onPressed: header.dragRequested()
    }

    ShieldIcon {
        id: shield
        anchors.left: parent.left
        anchors.leftMargin: Theme.margin
        anchors.verticalCenter: parent.verticalCenter
        width: 18
        height: 21
        mark: header.mark
        fill: header.markFill
        fillDark: header.markFillDark
    }

    Column {
        anchors.left: shield.right
        anchors.leftMargin: 9
        anchors.right: closeButton.visible ? closeButton.left : parent.right
        anchors.rightMargin: 6
        anchors.verticalCenter: parent.verticalCenter
        spacing: 1
        Text {
            width: parent.width
            text: header.title
            color: Theme.headerText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.titleSize - 1
            font.bold: true
            elide: Text.ElideRight
        }
        Text {
            width: parent.width
            visible: header.subtitle.length > 0
            text: header.subtitle
            color: Theme.headerMuted
            font.family: Theme.fontFamily
            font.pixelSize: Theme.tinySize
            elide: Text.ElideRight
        }
    }

    Rectangle {
        id: closeButton
        visible: header.showClose
        anchors.right: parent.right
        anchors.rightMargin: 6
        anchors.verticalCenter: parent.verticalCenter
        width: 24
        height: 24
        radius: 4
        color: closeArea.containsMouse ? "#2A4470" : "transparent"
        Text {
            anchors.centerIn: parent
            text: "\u2715"
            color: Theme.headerMuted
            font.pixelSize: 12
        }
        MouseArea {
            id: closeArea
            anchors.fill: parent
            hoverEnabled: true
            onClicked: header.closeClicked()
        }
    }
}
