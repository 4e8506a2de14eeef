// The overview page: the protection state, the counters, the two protection switches, the newest
// alert log entry and the versions.
import QtQuick
import "../common"

Column {
    id: overviewPage
    property Item movie
    property var logModel
    spacing: 8

    Rectangle {
        id: stateBanner
        width: parent.width
        height: 58
        radius: Theme.radius
        readonly property bool all: movie.mailOn && movie.webOn && !movie.unprotected
        readonly property bool none: (!movie.mailOn && !movie.webOn) || movie.unprotected
        color: all ? Theme.safe : (none ? Theme.danger : Theme.caution)
        border.color: all ? Theme.safeBorder : (none ? Theme.dangerBorder : Theme.cautionBorder)
        ShieldIcon {
            id: stateShield
            anchors.left: parent.left
            anchors.leftMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            width: 28
            height: 32
            mark: stateBanner.all ? "check" : "alert"
            fill: stateBanner.all ? Theme.allow : (stateBanner.none ? Theme.block : Theme.warning)
            fillDark: stateBanner.all ? Theme.allowDark : (stateBanner.none ? Theme.blockDark : Theme.warningDark)
        }
        Column {
            anchors.left: stateShield.right
            anchors.leftMargin: 12
            anchors.right: parent.right
            anchors.rightMargin: 10
            anchors.verticalCenter: parent.verticalCenter
            spacing: 2
            Text {
                objectName: "stateTitle"
                text: movie.unprotected ? movie.say("notProtectedTitle")
                    : stateBanner.all ? movie.say("protectedTitle")
                    : stateBanner.none ? movie.say("offTitle") : movie.say("partialTitle")
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.titleSize
                font.bold: true
            }
            Text {
                width: parent.width
                text: movie.unprotected ? movie.strProtectionProblem.split("\n").join(" ")
                    : stateBanner.all ? movie.say("protectedText")
                    : stateBanner.none ? movie.say("textOff") : movie.say("partialText")
                color: Theme.muted
                font.family: Theme.fontFamily
                font.pixelSize: Theme.smallSize
                elide: Text.ElideRight
            }
        }
    }

    Grid {
        id: tiles
        width: parent.width
        columns: 2
        spacing: 8
        readonly property int tileWidth: (width - spacing) / 2
        Repeater {
            model: [
                { word: "blocked", counter: "dwNoOfBlockedInstructions", tone: Theme.block, page: "log" },
                { word: "highRated", counter: "dwNoOfBlockedInstructionsHaveHighRating", tone: Theme.warning, page: "log" },
                { word: "mailAlerts", counter: "dwNoOfEmailProtection", tone: Theme.accent, page: "mail" },
                { word: "webAlerts", counter: "dwNoOfWebProtection", tone: Theme.accent, page: "sites" }
            ]
            delegate: Card {
                width: tiles.tileWidth
                height: 54
                color: tileArea.containsMouse ? Theme.cardHover : Theme.card
                Rectangle { x: 0; width: 3; height: parent.height - 16; anchors.verticalCenter: parent.verticalCenter; color: modelData.tone; radius: 1 }
                Column {
                    anchors.left: parent.left
                    anchors.leftMargin: 12
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 1
                    Text {
                        text: movie[modelData.counter]
                        color: Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: 20
                        font.bold: true
                    }
                    Text {
                        text: movie.say(modelData.word)
                        color: Theme.muted
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.smallSize
                    }
                }
                MouseArea {
                    id: tileArea
                    anchors.fill: parent
                    hoverEnabled: true
                    onClicked: movie.goTo(modelData.page)
                }
            }
        }
    }

    Card {
        width: parent.width
        height: overviewSwitches.height + 8
        Column {
            id: overviewSwitches
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.topMargin: 4
            SwitchRow {
                width: parent.width
                objectName: "mailSwitch"
                text: movie.say("mailProtection")
                textOn: movie.say("on")
                textOff: movie.say("off")
                on: movie.mailOn
                onToggled: movie.send(movie.mailOn ? "IDC_FS_MailProtectionOff" : "IDC_FS_MailProtectionOn")
            }
            Rectangle { x: 12; width: parent.width - 24; height: 1; color: Theme.divider }
            SwitchRow {
                width: parent.width
                objectName: "siteSwitch"
                text: movie.say("webProtection")
                textOn: movie.say("on")
                textOff: movie.say("off")
                on: movie.webOn
                onToggled: movie.send(movie.webOn ? "IDC_FS_SiteBlockingOff" : "IDC_FS_SiteBlockingOn")
            }
        }
    }

    // The newest alert log entry.
    Card {
        id: latest
        readonly property var entry: overviewPage.logModel.count > 0
                                     ? overviewPage.logModel.get(overviewPage.logModel.count - 1) : null
        width: parent.width
        height: 40
        visible: entry !== null
        color: latestArea.containsMouse ? Theme.cardHover : Theme.card
        Rectangle {
            id: latestMark
            anchors.left: parent.left
            anchors.leftMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            width: 8
            height: 8
            radius: 4
            color: latest.entry ? movie.actionColor(latest.entry.action) : Theme.muted
        }
        Column {
            anchors.left: latestMark.right
            anchors.leftMargin: 10
            anchors.right: latestAction.left
            anchors.rightMargin: 10
            anchors.verticalCenter: parent.verticalCenter
            spacing: 1
            Text {
                width: parent.width
                text: latest.entry ? movie.say("latest") + ": " + String(latest.entry.stricted).replace(/\n/g, "  ") : ""
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.smallSize
                elide: Text.ElideRight
            }
            Text {
                width: parent.width
                text: latest.entry ? latest.entry.time : ""
                color: Theme.muted
                font.family: Theme.fontFamily
                font.pixelSize: Theme.tinySize
                elide: Text.ElideRight
            }
        }
        Text {
            id: latestAction
            anchors.right: parent.right
            anchors.rightMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            text: latest.entry ? latest.entry.action : ""
            color: latest.entry ? movie.actionColor(latest.entry.action) : Theme.muted
            font.family: Theme.fontFamily
            font.pixelSize: Theme.smallSize
            font.bold: true
        }
        MouseArea {
            id: latestArea
            anchors.fill: parent
            hoverEnabled: true
            onClicked: movie.goTo("log")
        }
    }

    Item {
        width: parent.width
        height: versions.height
        Column {
            id: versions
            anchors.left: parent.left
            anchors.right: updateLink.left
            anchors.rightMargin: 10
            spacing: 2
            VersionRow { width: parent.width; name: movie.say("program"); text: movie.strApplicationVersion }
            VersionRow { width: parent.width; name: movie.say("engine"); text: movie.strBaitgardSecurityEngineVersion }
            VersionRow { width: parent.width; name: movie.say("definitions"); text: movie.strBaitgardDefinitionVersion }
        }
        LinkButton {
            id: updateLink
            anchors.right: parent.right
            anchors.bottom: versions.bottom
            text: movie.say("checkUpdates")
            onClicked: movie.send("IDC_FS_RunLiveUpdate")
        }
    }
}
