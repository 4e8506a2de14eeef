// The settings page: the two protections with their options, the alert level, the log file, the
// start-up choices and the language.
import QtQuick
import "../common"

ScrollPage {
    id: settingsPage
    property Item movie

    SectionTitle { text: movie.say("protection") }
    Card {
        width: parent.width
        height: protectionRows.height + 4
        Column {
            id: protectionRows
            y: 2
            width: parent.width
            SwitchRow {
                width: parent.width
                text: movie.say("mailProtection")
                textOn: movie.say("on")
                textOff: movie.say("off")
                on: movie.mailOn
                linkText: movie.say("options")
                onToggled: movie.send(movie.mailOn ? "IDC_FS_MailProtectionOff" : "IDC_FS_MailProtectionOn")
                onLinkClicked: movie.send("IDC_FS_AdvancedMailSettings")
            }
            Rectangle { x: 12; width: parent.width - 24; height: 1; color: Theme.divider }
            SwitchRow {
                width: parent.width
                text: movie.say("webProtection")
                textOn: movie.say("on")
                textOff: movie.say("off")
                on: movie.webOn
                linkText: movie.say("options")
                onToggled: movie.send(movie.webOn ? "IDC_FS_SiteBlockingOff" : "IDC_FS_SiteBlockingOn")
                onLinkClicked: movie.send("IDC_FS_AdvancedSiteBlockingSettings")
            }
        }
    }

    Item {
        width: parent.width
        height: alertsTitle.height
        SectionTitle { id: alertsTitle; text: movie.say("alerts") }
        LinkButton {
            anchors.right: parent.right
            anchors.rightMargin: 4
            anchors.baseline: alertsTitle.baseline
            text: movie.say("customise")
            onClicked: movie.send("IDC_FS_AlertAndLogCustomSettings")
        }
    }
    Repeater {
        model: [
            { level: 0, title: "alertsAll", detail: "alertsAllDetail", tone: Theme.accent },
            { level: 1, title: "alertsOne", detail: "alertsOneDetail", tone: Theme.accent },
            { level: 2, title: "alertsNone", detail: "alertsNoneDetail", tone: Theme.block }
        ]
        RadioOption {
            width: settingsPage.columnWidth
            text: movie.say(modelData.title)
            detail: movie.say(modelData.detail)
            markColor: modelData.tone
            checked: movie.alertLevel === modelData.level
            onPicked: movie.send("IDC_FS_AlertEventsLevel", modelData.level)
        }
    }

    SectionTitle { text: movie.say("log") }
    Card {
        width: parent.width
        height: logSetting.height
        SettingRow {
            id: logSetting
            width: parent.width
            title: movie.say("logFile")
            detail: movie.say("logFileDetail")
            ActionButton {
                pill: true
                text: movie.say("change")
                outline: true
                onClicked: movie.send("IDC_FS_AlertAndLogAdvancedSettings")
            }
        }
    }

    SectionTitle { text: movie.say("startup") }
    Card {
        width: parent.width
        height: startupChecks.height + 20
        Column {
            id: startupChecks
            x: 12
            y: 10
            width: parent.width - 24
            spacing: 8
            CheckOption {
                width: parent.width
                text: movie.say("startWithSession")
                textSize: Theme.textSize
                checked: movie.bLoadwithWindowsStartup.toLowerCase() === "true"
                onToggled: movie.send("IDC_FS_LoadWithWStartUp")
            }
            CheckOption {
                width: parent.width
                text: movie.say("showSplash")
                textSize: Theme.textSize
                checked: movie.bLoadSplashScreen.toLowerCase() === "true"
                onToggled: movie.send("IDC_FS_LoadSplashScreen")
            }
        }
    }

    SectionTitle { text: movie.say("language") }
    Flow {
        width: parent.width
        spacing: 6
        Repeater {
            model: movie.languages
            ActionButton {
                readonly property bool chosen: String(modelData).toLowerCase() === movie.strCurrentLanguage.toLowerCase()
                pill: true
                text: movie.languageLabel(modelData)
                outline: !chosen
                tone: Theme.accent
                onClicked: movie.send("IDC_FS_CHANGE_LANGUAGE", modelData)
            }
        }
    }
    Item { width: 1; height: 4 }
}
