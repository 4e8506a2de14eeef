// The administration page: the administrator password and login, backup and restore, the reset
// and the ways to help.
import QtQuick
import "../common"

ScrollPage {
    id: adminPage
    property Item movie

    SectionTitle { text: movie.say("administrator") }
    Card {
        width: parent.width
        height: adminState.height + 20
        Row {
            id: adminState
            x: 12
            y: 10
            width: parent.width - 24
            spacing: 10
            ShieldIcon {
                width: 26
                height: 30
                mark: "lock"
                fill: !movie.hasPassword ? Theme.warning : movie.loggedIn ? Theme.allow : Theme.accent
                fillDark: !movie.hasPassword ? Theme.warningDark : movie.loggedIn ? Theme.allowDark : Theme.accentDark
            }
            Column {
                width: parent.width - 36
                spacing: 6
                Text {
                    width: parent.width
                    text: !movie.hasPassword ? movie.say("noPassword")
                        : movie.loggedIn ? movie.say("loggedIn") : movie.say("loggedOut")
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.textSize
                    font.bold: true
                    wrapMode: Text.WordWrap
                }
                Text {
                    width: parent.width
                    visible: movie.hasPassword
                    text: movie.say("passwordSet")
                    color: Theme.muted
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.tinySize
                }
                Row {
                    spacing: 6
                    ActionButton {
                        pill: true
                        text: movie.hasPassword ? movie.say("changePassword") : movie.say("setPassword")
                        onClicked: movie.send("IDC_FS_SetPassword")
                    }
                    ActionButton {
                        pill: true
                        visible: movie.hasPassword
                        text: movie.loggedIn ? movie.say("logout") : movie.say("login")
                        outline: true
                        onClicked: movie.send("IDC_FS_Login")
                    }
                }
            }
        }
    }

    SectionTitle { text: movie.say("backup") }
    Card {
        width: parent.width
        height: backupColumn.height + 20
        Column {
            id: backupColumn
            x: 12
            y: 10
            width: parent.width - 24
            spacing: 8
            Text {
                width: parent.width
                text: movie.say("backupText")
                color: Theme.muted
                font.family: Theme.fontFamily
                font.pixelSize: Theme.smallSize
                wrapMode: Text.WordWrap
            }
            Row {
                spacing: 6
                ActionButton { pill: true; text: movie.say("backupButton"); onClicked: movie.send("IDC_FS_BackupSettings") }
                ActionButton { pill: true; text: movie.say("restoreButton"); outline: true; onClicked: movie.send("IDC_FS_RestoreSettings") }
            }
        }
    }

    SectionTitle { text: movie.say("resetTitle") }
    Card {
        width: parent.width
        height: resetRow.height
        color: Theme.dangerCard
        border.color: Theme.dangerBorder
        SettingRow {
            id: resetRow
            width: parent.width
            title: movie.say("resetTitle")
            detail: movie.say("resetText")
            ActionButton {
                pill: true
                text: movie.say("resetButton")
                tone: Theme.block
                onClicked: movie.send("IDC_FS_Reset")
            }
        }
    }

    SectionTitle { text: movie.say("support") }
    Row {
        spacing: 6
        ActionButton { pill: true; text: movie.say("help"); outline: true; onClicked: movie.send("IDC_FS_Help") }
        ActionButton { pill: true; text: movie.say("contact"); outline: true; onClicked: movie.send("IDC_FS_technicalSupport") }
        ActionButton { pill: true; text: movie.say("checkUpdates"); outline: true; onClicked: movie.send("IDC_FS_RunLiveUpdate") }
    }
    Item { width: 1; height: 4 }
}
