// The About box: product, purpose, the versions of the program and of the engine library (the
// variables strApplicationVersion and strBaitgardSecurityEngineVersion) and maker. IDC_FS_OK and
// IDC_FS_CLOSE close it.
import QtQuick
import "common"

MovieRoot {
    id: movie

    // The versions of the program and of the engine library, as their files give them.
    property string strApplicationVersion: ""
    property string strBaitgardSecurityEngineVersion: ""

    Keys.onEscapePressed: send("IDC_FS_CLOSE")
    Keys.onReturnPressed: send("IDC_FS_OK")
    Keys.onEnterPressed: send("IDC_FS_OK")

    Rectangle {
        id: band
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: 86
        gradient: Gradient {
            GradientStop { position: 0.0; color: Theme.headerTop }
            GradientStop { position: 1.0; color: Theme.header }
        }
        MouseArea {
            anchors.fill: parent
            onPressed: movie.send("IDC_FS_DRAG")
        }
        ShieldIcon {
            anchors.centerIn: parent
            width: 44
            height: 51
            mark: "check"
        }
    }

    MouseArea {
        anchors.fill: parent
        anchors.leftMargin: band.width
        z: -1
        onPressed: movie.send("IDC_FS_DRAG")
    }

    Column {
        anchors.left: band.right
        anchors.leftMargin: 14
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.top: parent.top
        anchors.topMargin: 16
        spacing: 2

        Text {
            text: "Hookwise"
            color: Theme.header
            font.family: Theme.fontFamily
            font.pixelSize: 20
            font.bold: true
        }
        Text {
            width: parent.width
            text: movie.tr("tagline")
            color: Theme.muted
            wrapMode: Text.Wrap
            font.family: Theme.fontFamily
            font.pixelSize: Theme.tinySize
        }
        Item { width: 1; height: 6 }
        Text {
            width: parent.width
            text: movie.tr("programVersion", movie.strApplicationVersion)
            color: Theme.text
            elide: Text.ElideRight
            font.family: Theme.fontFamily
            font.pixelSize: Theme.smallSize
            font.bold: true
        }
        Text {
            width: parent.width
            text: movie.tr("engineVersion", movie.strBaitgardSecurityEngineVersion)
            color: Theme.text
            elide: Text.ElideRight
            font.family: Theme.fontFamily
            font.pixelSize: Theme.tinySize
        }
        Text {
            width: parent.width
            text: movie.tr("copyright")
            color: Theme.faint
            elide: Text.ElideRight
            font.family: Theme.fontFamily
            font.pixelSize: Theme.tinySize
        }
    }

    ActionButton {
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 10
        kind: "primary"
        text: movie.tr("ok")
        focus: true
        onClicked: movie.send("IDC_FS_OK")
    }
}
