// The title line of a page, with a note and an optional link on the right.
import QtQuick

Item {
    id: pageTitle
    property string text: ""
    property string note: ""
    property string linkText: ""
    signal linkClicked()
    implicitHeight: 20
    Text {
        id: titleText
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        text: pageTitle.text
        color: Theme.text
        font.family: Theme.fontFamily
        font.pixelSize: Theme.titleSize
        font.bold: true
    }
    Text {
        id: noteText
        anchors.right: titleLink.visible ? titleLink.left : parent.right
        anchors.rightMargin: titleLink.visible ? 10 : 0
        anchors.baseline: titleText.baseline
        text: pageTitle.note
        color: Theme.muted
        font.family: Theme.fontFamily
        font.pixelSize: Theme.smallSize
    }
    LinkButton {
        id: titleLink
        visible: pageTitle.linkText.length > 0
        anchors.right: parent.right
        anchors.baseline: titleText.baseline
        text: pageTitle.linkText
        onClicked: pageTitle.linkClicked()
    }
}
