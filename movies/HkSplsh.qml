// The splash: the shield and the product name fade in while a bar fills, then the movie sends
// IDC_FS_SplashEnd. "_root.dwFrame" restarts it (from that many tenths of its run) and
// "_root.bLoop" = "true" plays it again and again. "_root.dwProgress" (0 to 100) shows the
// progress of the program's start-up instead: the bar stands at that share and the movie waits.
import QtQuick
import "common"

MovieRoot {
    id: movie

    property string dwFrame: ""
    property string bLoop: "false"
    property string dwProgress: ""
    readonly property int runMs: 2400

    width: 420
    height: 240

    function restart() {
        var frame = Math.max(0, Math.min(9, parseInt(dwFrame) || 0))
        intro.stop()
        progress.value = frame / 10
        intro.start()
    }

    onDwFrameChanged: restart()

    onDwProgressChanged: {
        if (dwProgress === "")
            return
        intro.stop()
        brand.opacity = 1
        brand.anchors.verticalCenterOffset = -14
        progress.value = Math.max(0, Math.min(100, parseInt(dwProgress) || 0)) / 100
    }

    Rectangle {
        anchors.fill: parent
        gradient: Gradient {
            GradientStop { position: 0.0; color: Theme.headerTop }
            GradientStop { position: 1.0; color: Theme.header }
        }
    }

    Column {
        id: brand
        anchors.centerIn: parent
        anchors.verticalCenterOffset: -14
        spacing: 10
        opacity: 0

        ShieldIcon {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 56
            height: 64
            mark: "check"
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Hookwise"
            color: Theme.headerText
            font.family: Theme.fontFamily
            font.pixelSize: 30
            font.bold: true
            font.letterSpacing: 1
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: movie.tr("tagline")
            color: Theme.headerMuted
            font.family: Theme.fontFamily
            font.pixelSize: Theme.smallSize
        }
    }

    Item {
        id: progress
        property real value: 0
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 28
        anchors.bottomMargin: 22
        height: 22

        Text {
            anchors.left: parent.left
            anchors.top: parent.top
            text: movie.tr("splashLoading")
            color: Theme.headerMuted
            font.family: Theme.fontFamily
            font.pixelSize: Theme.tinySize
        }
        Rectangle {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: 4
            radius: 2
            color: "#24406B"
            Rectangle {
                width: parent.width * progress.value
                height: parent.height
                radius: 2
                color: Theme.accent
            }
        }
    }

    SequentialAnimation {
        id: intro
        running: true
        ParallelAnimation {
            NumberAnimation { target: brand; property: "opacity"; from: 0; to: 1; duration: 600; easing.type: Easing.OutCubic }
            NumberAnimation { target: brand; property: "anchors.verticalCenterOffset"; from: -2; to: -14; duration: 600; easing.type: Easing.OutCubic }
            NumberAnimation { target: progress; property: "value"; to: 0.35; duration: 600 }
        }
        NumberAnimation { target: progress; property: "value"; to: 1; duration: movie.runMs - 600; easing.type: Easing.InOutQuad }
        ScriptAction {
            script: {
                movie.send("IDC_FS_SplashEnd")
                if (movie.bLoop.toLowerCase() === "true")
                    movie.restart()
            }
        }
    }
}
