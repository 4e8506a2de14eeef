// The page list on the left, with each list's row count, and the administrator chip below it.
import QtQuick
import "../common"

Rectangle {
    id: navigation
    property Item movie
    // The rows in each list, shown beside its page's name.
    property int mailCount: 0
    property int siteCount: 0
    property int logCount: 0
    width: 122
    color: Theme.navigation
    Rectangle { anchors.right: parent.right; width: 1; height: parent.height; color: Theme.border }

    Column {
        id: navItems
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.topMargin: 10
        spacing: 2
        Repeater {
            id: navRepeater
            // A fixed model: the labels and counts are bound inside each item, so a row
            // arriving in a list updates one count instead of rebuilding the navigation.
            model: [
                { key: "overview", word: "overview" }, { key: "mail", word: "mailList" },
                { key: "sites", word: "siteList" }, { key: "log", word: "navLog" },
                { key: "settings", word: "settings" }, { key: "admin", word: "admin" }
            ]
            delegate: Rectangle {
                id: navItem
                readonly property bool current: movie.page === modelData.key
                readonly property int rows: modelData.key === "mail" ? navigation.mailCount
                                          : modelData.key === "sites" ? navigation.siteCount
                                          : modelData.key === "log" ? navigation.logCount : 0
                width: navigation.width - 1
                height: 32
                color: current ? Theme.card : (navArea.containsMouse ? Theme.navigationHover : "transparent")
                activeFocusOnTab: true
                objectName: "nav_" + modelData.key
                Keys.onReturnPressed: movie.goTo(modelData.key)
                Keys.onEnterPressed: movie.goTo(modelData.key)
                Keys.onSpacePressed: movie.goTo(modelData.key)
                Keys.onDownPressed: if (index + 1 < navRepeater.count) navRepeater.itemAt(index + 1).forceActiveFocus()
                Keys.onUpPressed: if (index > 0) navRepeater.itemAt(index - 1).forceActiveFocus()
                Rectangle {
                    visible: navItem.current
                    width: 3
                    height: parent.height
                    color: Theme.accent
                }
                Rectangle {
                    anchors.fill: parent
                    visible: navItem.activeFocus
                    color: "transparent"
                    border.width: 2
                    border.color: Theme.focus
                }
                Text {
                    anchors.left: parent.left
                    anchors.leftMargin: 14
                    anchors.right: badge.visible ? badge.left : parent.right
                    anchors.rightMargin: 4
                    anchors.verticalCenter: parent.verticalCenter
                    text: movie.say(modelData.word)
                    color: navItem.current ? Theme.text : Theme.muted
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.textSize
                    font.bold: navItem.current
                    elide: Text.ElideRight
                }
                Rectangle {
                    id: badge
                    visible: navItem.rows > 0
                    anchors.right: parent.right
                    anchors.rightMargin: 8
                    anchors.verticalCenter: parent.verticalCenter
                    width: Math.max(20, badgeText.implicitWidth + 10)
                    height: 16
                    radius: 8
                    color: navItem.current ? Theme.accent : Theme.navigationBadge
                    Text {
                        id: badgeText
                        anchors.centerIn: parent
                        text: navItem.rows
                        color: navItem.current ? Theme.onColour : Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.tinySize
                        font.bold: true
                    }
                }
                MouseArea {
                    id: navArea
                    anchors.fill: parent
                    hoverEnabled: true
                    onClicked: movie.goTo(modelData.key)
                }
            }
        }
    }

    // The administrator state; a click logs in or out.
    Rectangle {
        id: loginChip
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 10
        anchors.rightMargin: 11
        height: 30
        radius: 15
        visible: movie.hasPassword
        color: loginArea.containsMouse ? Theme.chipHover : Theme.chip
        border.width: activeFocus ? 2 : 1
        border.color: activeFocus ? Theme.focus : Theme.border
        activeFocusOnTab: visible
        Keys.onReturnPressed: movie.send("IDC_FS_Login")
        Keys.onSpacePressed: movie.send("IDC_FS_Login")
        ShieldIcon {
            id: lockMark
            anchors.left: parent.left
            anchors.leftMargin: 9
            anchors.verticalCenter: parent.verticalCenter
            width: 13
            height: 15
            mark: "lock"
            fill: movie.loggedIn ? Theme.allow : Theme.muted
            fillDark: movie.loggedIn ? Theme.allowDark : Theme.text
        }
        Text {
            anchors.left: lockMark.right
            anchors.leftMargin: 6
            anchors.right: parent.right
            anchors.rightMargin: 8
            anchors.verticalCenter: parent.verticalCenter
            text: movie.loggedIn ? movie.say("logout") : movie.say("login")
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.smallSize
            font.bold: true
            elide: Text.ElideRight
        }
        MouseArea {
            id: loginArea
            anchors.fill: parent
            hoverEnabled: true
            onClicked: movie.send("IDC_FS_Login")
        }
    }
}
