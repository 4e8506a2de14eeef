// A setting: its title and explanation on the left, a control on the right.
import QtQuick

Item {
    id: settingRow
    property string title: ""
    property string detail: ""
    default property alias control: controlSlot.data
    implicitHeight: Math.max(36, texts.implicitHeight + 12)
    Column {
        id: texts
        anchors.left: parent.left
        anchors.leftMargin: 12
        anchors.right: controlSlot.left
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        spacing: 1
        Text {
            width: parent.width
            text: settingRow.title
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.textSize
            elide: Text.ElideRight
        }
        Text {
            width: parent.width
            visible: settingRow.detail.length > 0
            text: settingRow.detail
            color: Theme.muted
            font.family: Theme.fontFamily
            font.pixelSize: Theme.tinySize
            wrapMode: Text.WordWrap
        }
    }
    Item {
        id: controlSlot
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        width: childrenRect.width
        height: childrenRect.height
    }
}
