// The main window's movie: the overview (protection state, counters, the two protection
// switches, versions), the three lists the program streams in (e-mail sources, websites, alert
// log) with their row commands and details, and the settings and administration pages.
//
// List protocol: the program sets an item's fields, then the list's operation variable to "Add";
// the movie appends the item and answers "IDC_FS_..._NoOperation". "Update" changes the Action of
// the row at "..._UpdatedItemIndex"; a log entry's count changes when "LogViewerUpdatedIndexItem"
// is set (after its value). "Remove" drops the row at "MailScamRemovedItemIndex" /
// "WebProtectionRemovedItemIndex", "RemoveAll" every row, "RemoveFirst" the log's oldest row.
// Rows keep the program's indexes; an index outside the rows is ignored. The movie resets each
// operation variable after acting, so the same operation set again acts again. The movie never
// changes a row itself: a row command goes to the program, whose answer changes the row.
//
// Entry details: selecting a row asks for its details ("IDC_FS_UpdateEntryDetails...ListItem"
// with the row index, "undefined" when nothing is selected); the program sets the
// "...EntryDetSItem.EntryValue" variables the details pane shows.
//
// Sections: variables; the list protocol; words; helpers; small components; header and
// navigation; pages (overview, e-mail, websites, alert log, settings, administration); the
// confirmation panel.
import QtQuick
import "common"

MovieRoot {
    id: movie

    width: 501
    height: 452

    // ---- variables ----

    // Overview
    property string dwNoOfBlockedInstructions: "0"
    property string dwNoOfBlockedInstructionsHaveHighRating: "0"
    property string dwNoOfEmailProtection: "0"
    property string dwNoOfWebProtection: "0"
    property string bWebSiteBlockingProtectionState: "true"
    property string bEnabledAdvweb: "1"
    property string advWebInterval: "1"
    property string bMailSafeProtectionState: "true"
    property string bEnabledAdvMail: "1"
    property string advMailInterval: "1"
    property string strApplicationVersion: ""
    property string strBaitgardSecurityEngineVersion: ""
    property string strBaitgardDefinitionVersion: ""
    // Settings
    property string bLoadwithWindowsStartup: "true"
    property string bLoadSplashScreen: "true"
    property string bIsLogin: "false"
    property string bIsPasswordEntered: "false"
    property string languageOptions: ""
    property string enumAlertEventsLevel: "0"
    property string logViewerStepper: "50"      // "_root.LogViewerStepper"

    // List operations
    property string strScamMailOperation: ""
    property string strScamSiteOperation: ""
    property string strViewLogOperation: ""

    // Entry details
    property string mailDetailProgram: ""
    property string mailDetailFrom: ""
    property string mailDetailTo: ""
    property string mailDetailSubject: ""
    property string mailDetailTime: ""
    property string mailDetailAttachment: ""
    property string mailDetailProtocol: ""
    property string siteDetailProgram: ""
    property string siteDetailTime: ""
    property string siteDetailAddress: ""
    property string siteDetailProtocol: ""
    // Variables whose names cannot be property names, and the properties that hold them.
    readonly property var aliasedVariables: ({
        "LogViewerStepper": "logViewerStepper",
        "ScamProgramNameMailEntryDetSItem.EntryValue": "mailDetailProgram",
        "ScamFromMailEntryDetSItem.EntryValue": "mailDetailFrom",
        "ScamToMailEntryDetSItem.EntryValue": "mailDetailTo",
        "ScamSubjectMailEntryDetSItem.EntryValue": "mailDetailSubject",
        "ScamDateTimeMailEntryDetSItem.EntryValue": "mailDetailTime",
        "ScamAttachmentMailEntryDetSItem.EntryValue": "mailDetailAttachment",
        "ScamProtocolMailEntryDetSItem.EntryValue": "mailDetailProtocol",
        "ScamProgramNameSiteEntryDetSItem.EntryValue": "siteDetailProgram",
        "ScamDateTimeSiteEntryDetSItem.EntryValue": "siteDetailTime",
        "ScamIPAddressSiteEntryDetSItem.EntryValue": "siteDetailAddress",
        "ScamProtocolSiteEntryDetSItem.EntryValue": "siteDetailProtocol"
    })

    // Item fields and update values: read when their operation comes, so they are kept without
    // notifying anything (thousands of them cross while the lists fill).
    property var staged: ({})

    readonly property bool webOn: bWebSiteBlockingProtectionState.toLowerCase() === "true"
    readonly property bool mailOn: bMailSafeProtectionState.toLowerCase() === "true"
    readonly property bool loggedIn: bIsLogin.toLowerCase() === "true"
    readonly property bool hasPassword: bIsPasswordEntered.toLowerCase() === "true"
    readonly property int alertLevel: parseInt(enumAlertEventsLevel) || 0
    readonly property int logLimit: Math.max(1, parseInt(logViewerStepper) || 50)

    // "overview", "mail", "sites", "log", "settings" or "admin"
    property string page: "overview"

    ListModel { id: mailModel; objectName: "mailModel" }
    ListModel { id: siteModel; objectName: "siteModel" }
    ListModel { id: logModel; objectName: "logModel" }

    function setVariable(name, value) {
        var key = variableKey(name)
        var text = (value === undefined || value === null) ? "" : String(value)
        if (isMovieVariable(key)) {
            movie[key] = text
            return
        }
        var alias = aliasedVariables[key]
        if (alias !== undefined) {
            movie[alias] = text
            return
        }
        staged[key] = text
        if (key === "LogViewerUpdatedIndexItem")
            updateLogCount()
    }

    function getVariable(name) {
        var key = variableKey(name)
        if (isMovieVariable(key))
            return movie[key]
        var alias = aliasedVariables[key]
        if (alias !== undefined)
            return movie[alias]
        return key in staged ? staged[key] : ""
    }

    // ---- the list protocol ----

    function field(name) { return name in staged ? staged[name] : "" }

    function rowIndex(text, model) {
        var index = parseInt(text)
        return (isNaN(index) || index < 0 || index >= model.count) ? -1 : index
    }

    // The answer goes once the row is in the list, from the same call: the program hands the
    // next row over through its event queue, so it never arrives inside this one. (Deferred
    // answers would have to be kept apart per list: Qt.callLater merges calls that come together.)
    function answerMail() { send("IDC_FS_MailScamList_NoOperation") }
    function answerSite() { send("IDC_FS_SiteScamList_NoOperation") }
    function answerLog() { send("IDC_FS_AlertLogList_NoOperation") }

    signal mailRowsRemoved(int index)
    signal siteRowsRemoved(int index)

    onStrScamMailOperationChanged: {
        var operation = strScamMailOperation.toLowerCase()
        if (operation === "")
            return
        strScamMailOperation = ""
        if (operation === "add") {
            mailModel.append({ type: field("ScamMailStructItem.Type"),
                               stricted: field("ScamMailStructItem.Stricted"),
                               action: field("ScamMailStructItem.Action") })
            answerMail()
        } else if (operation === "update") {
            var index = rowIndex(field("MailScamUpdatedItemIndex"), mailModel)
            if (index >= 0)
                mailModel.setProperty(index, "action", field("MailScamUpdatedItemValue"))
        } else if (operation === "remove") {
            var removed = rowIndex(field("MailScamRemovedItemIndex"), mailModel)
            if (removed >= 0) {
                mailModel.remove(removed)
                mailRowsRemoved(removed)
            }
        } else if (operation === "removeall") {
            mailModel.clear()
            mailRowsRemoved(-1)
        }
    }

    onStrScamSiteOperationChanged: {
        var operation = strScamSiteOperation.toLowerCase()
        if (operation === "")
            return
        strScamSiteOperation = ""
        if (operation === "add") {
            siteModel.append({ type: field("ScamSiteStructItem.Type"),
                               stricted: field("ScamSiteStructItem.StrictedData"),
                               action: field("ScamSiteStructItem.Action") })
            answerSite()
        } else if (operation === "update") {
            var index = rowIndex(field("WebProtectionUpdatedItemIndex"), siteModel)
            if (index >= 0)
                siteModel.setProperty(index, "action", field("WebProtectionUpdatedItemValue"))
        } else if (operation === "remove") {
            var removed = rowIndex(field("WebProtectionRemovedItemIndex"), siteModel)
            if (removed >= 0) {
                siteModel.remove(removed)
                siteRowsRemoved(removed)
            }
        } else if (operation === "removeall") {
            siteModel.clear()
            siteRowsRemoved(-1)
        }
    }

    onStrViewLogOperationChanged: {
        var operation = strViewLogOperation.toLowerCase()
        if (operation === "")
            return
        strViewLogOperation = ""
        if (operation === "add") {
            logModel.append({ hits: field("LogViewerStructItem.Count"),
                              stricted: field("LogViewerStructItem.RestrictedData"),
                              action: field("LogViewerStructItem.ActionTaken"),
                              host: field("LogViewerStructItem.HostIP"),
                              program: field("LogViewerStructItem.Program"),
                              protocol: field("LogViewerStructItem.Protocol"),
                              type: field("LogViewerStructItem.Type"),
                              time: field("LogViewerStructItem.DateTime"),
                              rating: field("LogViewerStructItem.Rating") })
            answerLog()
        } else if (operation === "removefirst") {
            if (logModel.count > 0)
                logModel.remove(0)
        } else if (operation === "removeall") {
            logModel.clear()
        }
    }

    function updateLogCount() {
        var index = rowIndex(staged["LogViewerUpdatedIndexItem"], logModel)
        var value = field("LogViewerUpdatedItemValue")
        delete staged["LogViewerUpdatedIndexItem"]
        if (index < 0 || value === "")
            return
        logModel.setProperty(index, "hits", value)
    }

    // ---- words ----

    // The movie's own words; other languages show the English ones.
    readonly property var words: ({
        english: {
            subtitle: "Phishing protection", overview: "Overview", mailList: "E-mail",
            siteList: "Websites", alertLog: "Alert log", navLog: "Alert log", settings: "Settings",
            admin: "Administration",
            mailTitle: "Phishing e-mail sources", siteTitle: "Phishing websites",
            protectedTitle: "You are protected", protectedText: "E-mail and web protection are on.",
            partialTitle: "Protection is partly off", partialText: "Turn both switches on to stay safe.",
            offTitle: "Protection is off", offText: "Phishing e-mail and websites get through.",
            blocked: "Blocked", highRated: "High rated", mailAlerts: "E-mail alerts",
            webAlerts: "Web alerts", mailProtection: "E-mail protection",
            webProtection: "Website blocking", on: "On", off: "Off",
            program: "Program", engine: "Engine", definitions: "Definitions",
            checkUpdates: "Check for updates", latest: "Latest",
            items: "%1 items", entries: "%1 entries", showingLatest: "latest %1 of %2",
            emptyMail: "No phishing e-mail sources yet.",
            emptySites: "No phishing websites or hosts yet.",
            emptyLog: "Nothing detected yet.",
            count: "\u00D7%1",
            allow: "Allow", block: "Block", ask: "Ask", remove: "Remove", removeAll: "Remove all",
            options: "Options\u2026", selectHint: "Select an entry to see its details.",
            from: "From", to: "To", subject: "Subject", time: "Date", attachment: "Attachment",
            protocol: "Protocol", address: "IP address",
            show: "Show", all: "All", clearLog: "Clear log", logSettings: "Log file\u2026",
            confirmMail: "Remove all %1 e-mail sources? Remembered answers for them are lost.",
            confirmSites: "Remove all %1 websites? Remembered answers for them are lost.",
            confirmLog: "Clear all %1 alert log entries?",
            cancel: "Cancel",
            protection: "Protection", alerts: "Alerts",
            alertsAll: "Alert me about everything",
            alertsAllDetail: "Ask about every e-mail and website found",
            alertsOne: "Alert me about one kind only",
            alertsOneDetail: "E-mail or websites, as chosen under Customise",
            alertsNone: "Never alert me",
            alertsNoneDetail: "Block everything found without asking",
            customise: "Customise\u2026",
            log: "Log", logFile: "Log file and archiving", logFileDetail: "Where the log is kept and how often it is archived",
            change: "Change\u2026",
            startup: "Start-up", startWithSession: "Start Hookwise when I log in",
            showSplash: "Show the splash screen at start",
            language: "Language",
            administrator: "Administrator", loggedIn: "Logged in as administrator",
            loggedOut: "Not logged in", noPassword: "No password: anyone can change settings",
            passwordSet: "Settings are protected by a password",
            login: "Log in", logout: "Log out", setPassword: "Set password\u2026",
            changePassword: "Change password\u2026",
            backup: "Backup and restore",
            backupText: "Save all settings, lists and the log to a file, or bring them back.",
            backupButton: "Back up\u2026", restoreButton: "Restore\u2026",
            resetTitle: "Reset", resetText: "Remove every setting, list and log entry. Hookwise exits.",
            resetButton: "Reset\u2026",
            support: "Help and support", help: "Help", contact: "Contact support",
            locked: "Locked", unlocked: "Admin"
        },
        german: {
            subtitle: "Phishing-Schutz", overview: "\u00DCbersicht", mailList: "E-Mail",
            siteList: "Websites", alertLog: "Warnprotokoll", navLog: "Protokoll",
            settings: "Einstellungen",
            admin: "Verwaltung",
            mailTitle: "Phishing-E-Mail-Quellen", siteTitle: "Phishing-Websites",
            protectedTitle: "Sie sind gesch\u00FCtzt",
            protectedText: "E-Mail- und Web-Schutz sind eingeschaltet.",
            partialTitle: "Schutz teilweise aus",
            partialText: "Schalten Sie beide Schalter ein.",
            offTitle: "Schutz ist aus", offText: "Phishing-E-Mails und -Websites kommen durch.",
            blocked: "Blockiert", highRated: "Hoch bewertet", mailAlerts: "E-Mail-Warnungen",
            webAlerts: "Web-Warnungen", mailProtection: "E-Mail-Schutz",
            webProtection: "Website-Sperre", on: "Ein", off: "Aus",
            program: "Programm", engine: "Engine", definitions: "Definitionen",
            checkUpdates: "Nach Updates suchen", latest: "Zuletzt",
            items: "%1 Eintr\u00E4ge", entries: "%1 Eintr\u00E4ge", showingLatest: "neueste %1 von %2",
            emptyMail: "Noch keine Phishing-E-Mail-Quellen.",
            emptySites: "Noch keine Phishing-Websites oder -Hosts.",
            emptyLog: "Noch nichts erkannt.",
            count: "\u00D7%1",
            allow: "Zulassen", block: "Blockieren", ask: "Fragen", remove: "Entfernen",
            removeAll: "Alle entfernen", options: "Optionen\u2026",
            selectHint: "W\u00E4hlen Sie einen Eintrag f\u00FCr Details.",
            from: "Von", to: "An", subject: "Betreff", time: "Datum", attachment: "Anhang",
            protocol: "Protokoll", address: "IP-Adresse",
            show: "Zeigen", all: "Alle", clearLog: "Protokoll leeren", logSettings: "Protokolldatei\u2026",
            confirmMail: "Alle %1 E-Mail-Quellen entfernen? Gemerkte Antworten gehen verloren.",
            confirmSites: "Alle %1 Websites entfernen? Gemerkte Antworten gehen verloren.",
            confirmLog: "Alle %1 Protokolleintr\u00E4ge l\u00F6schen?",
            cancel: "Abbrechen",
            protection: "Schutz", alerts: "Warnungen",
            alertsAll: "Bei allem warnen",
            alertsAllDetail: "Bei jeder gefundenen E-Mail und Website fragen",
            alertsOne: "Nur bei einer Art warnen",
            alertsOneDetail: "E-Mail oder Websites, wie unter Anpassen gew\u00E4hlt",
            alertsNone: "Nie warnen",
            alertsNoneDetail: "Alles Gefundene ohne Frage blockieren",
            customise: "Anpassen\u2026",
            log: "Protokoll", logFile: "Protokolldatei und Archiv",
            logFileDetail: "Wo das Protokoll liegt und wie oft es archiviert wird",
            change: "\u00C4ndern\u2026",
            startup: "Start", startWithSession: "Hookwise bei der Anmeldung starten",
            showSplash: "Startbild anzeigen",
            language: "Sprache",
            administrator: "Administrator", loggedIn: "Als Administrator angemeldet",
            loggedOut: "Nicht angemeldet",
            noPassword: "Kein Kennwort: jeder kann Einstellungen \u00E4ndern",
            passwordSet: "Einstellungen sind durch ein Kennwort gesch\u00FCtzt",
            login: "Anmelden", logout: "Abmelden", setPassword: "Kennwort festlegen\u2026",
            changePassword: "Kennwort \u00E4ndern\u2026",
            backup: "Sichern und wiederherstellen",
            backupText: "Alle Einstellungen, Listen und das Protokoll in eine Datei sichern oder zur\u00FCckholen.",
            backupButton: "Sichern\u2026", restoreButton: "Wiederherstellen\u2026",
            resetTitle: "Zur\u00FCcksetzen",
            resetText: "Alle Einstellungen, Listen und Eintr\u00E4ge l\u00F6schen. Hookwise wird beendet.",
            resetButton: "Zur\u00FCcksetzen\u2026",
            support: "Hilfe und Support", help: "Hilfe", contact: "Support kontaktieren",
            locked: "Gesperrt", unlocked: "Admin"
        }
    })

    function say(key, arg) {
        var name = String(language).toLowerCase()
        var table = (name === "german" || name === "deutsch") ? words.german : words.english
        var text = table[key] !== undefined ? table[key] : words.english[key]
        if (text === undefined)
            text = key
        return arg === undefined ? text : text.replace("%1", arg)
    }

    // ---- helpers ----

    function actionColor(action) {
        var a = String(action).toLowerCase()
        return a === "block" || a === "blockieren" ? Theme.block
             : a === "allow" || a === "zulassen" ? Theme.allow : Theme.warning
    }

    // "/usr/bin/curl" -> "curl": the log rows name programs by their file.
    function fileName(path) {
        var text = String(path)
        return text.substring(text.lastIndexOf("/") + 1)
    }

    // "GERMAN" -> "German": the program lists language names as stored.
    function languageLabel(name) {
        var text = String(name)
        return text.length === 0 ? text : text.charAt(0).toUpperCase() + text.substring(1).toLowerCase()
    }

    readonly property var languages: {
        var names = languageOptions.split("|").filter(function(n) { return n.length > 0 })
        var hasEnglish = names.some(function(n) { return n.toLowerCase() === "english" })
        return hasEnglish ? names : ["English"].concat(names)
    }

    function goTo(name) {
        page = name
        var targets = { mail: mailPage.list, sites: sitePage.list, log: logRows }
        if (targets[name] !== undefined)
            targets[name].forceActiveFocus()
    }

    readonly property var pages: ["overview", "mail", "sites", "log", "settings", "admin"]

    Keys.onEscapePressed: function(event) {
        if (confirmPanel.visible)
            confirmPanel.close()
        else
            send("IDC_FS_CLOSE")
    }
    Keys.onPressed: function(event) {
        // Ctrl+1 .. Ctrl+6 open the pages.
        if ((event.modifiers & Qt.ControlModifier) && event.key >= Qt.Key_1 && event.key <= Qt.Key_6) {
            goTo(pages[event.key - Qt.Key_1])
            event.accepted = true
        }
    }

    // ---- small components ----

    // A rounded button in one tone; outline for the quieter actions.
    component PillButton: Rectangle {
        id: pill
        property string text: ""
        property color tone: Theme.accent
        property bool outline: false
        signal clicked()

        implicitWidth: pillLabel.implicitWidth + 22
        implicitHeight: 24
        radius: 12
        opacity: enabled ? 1.0 : 0.4
        activeFocusOnTab: enabled
        color: outline ? (pillArea.containsMouse ? "#F0F3F8" : Theme.card)
                       : (pillArea.pressed ? Qt.darker(tone, 1.2) : (pillArea.containsMouse ? Qt.darker(tone, 1.08) : tone))
        border.width: activeFocus ? 2 : (outline ? 1 : 0)
        border.color: activeFocus ? Theme.focus : (outline ? Theme.border : tone)

        Keys.onReturnPressed: function(event) { pill.clicked(); event.accepted = true }
        Keys.onEnterPressed: function(event) { pill.clicked(); event.accepted = true }
        Keys.onSpacePressed: function(event) { pill.clicked(); event.accepted = true }

        Text {
            id: pillLabel
            anchors.centerIn: parent
            text: pill.text
            color: pill.outline ? pill.tone : "#FFFFFF"
            font.family: Theme.fontFamily
            font.pixelSize: Theme.smallSize
            font.bold: true
        }
        MouseArea {
            id: pillArea
            anchors.fill: parent
            hoverEnabled: true
            enabled: pill.enabled
            onClicked: pill.clicked()
        }
    }

    // An on / off switch with its label; Space or a click asks for the other state.
    component SwitchRow: Item {
        id: switchRow
        property string text: ""
        property bool on: false
        property string linkText: ""
        signal toggled()
        signal linkClicked()

        implicitHeight: 32
        activeFocusOnTab: true
        Keys.onSpacePressed: function(event) { switchRow.toggled(); event.accepted = true }

        Text {
            anchors.left: parent.left
            anchors.leftMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            text: switchRow.text
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.textSize
        }
        LinkButton {
            visible: switchRow.linkText.length > 0
            anchors.right: stateText.left
            anchors.rightMargin: 14
            anchors.verticalCenter: parent.verticalCenter
            text: switchRow.linkText
            onClicked: switchRow.linkClicked()
        }
        Text {
            id: stateText
            anchors.right: track.left
            anchors.rightMargin: 8
            anchors.verticalCenter: parent.verticalCenter
            text: switchRow.on ? movie.say("on") : movie.say("off")
            color: switchRow.on ? Theme.allow : Theme.muted
            font.family: Theme.fontFamily
            font.pixelSize: Theme.smallSize
            font.bold: true
        }
        Rectangle {
            id: track
            anchors.right: parent.right
            anchors.rightMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            width: 36
            height: 20
            radius: 10
            color: switchRow.on ? Theme.allow : "#B8C2D0"
            border.width: switchRow.activeFocus ? 2 : 0
            border.color: Theme.focus
            Rectangle {
                width: 16
                height: 16
                radius: 8
                y: 2
                x: switchRow.on ? parent.width - width - 2 : 2
                color: "#FFFFFF"
                Behavior on x { NumberAnimation { duration: 120 } }
            }
            MouseArea {
                anchors.fill: parent
                anchors.margins: -6
                onClicked: { switchRow.forceActiveFocus(); switchRow.toggled() }
            }
        }
    }

    // A white panel with a border.
    component Card: Rectangle {
        radius: Theme.radius
        color: Theme.card
        border.color: Theme.border
    }

    // The small heading above a group of settings.
    component SectionTitle: Text {
        topPadding: 4
        color: Theme.muted
        font.family: Theme.fontFamily
        font.pixelSize: Theme.tinySize
        font.bold: true
        font.capitalization: Font.AllUppercase
        font.letterSpacing: 0.6
    }

    // The title line of a page, with a note and an optional link on the right.
    component PageTitle: Item {
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

    // A thin bar that shows where a scrolling page is.
    component ScrollMark: Rectangle {
        property Flickable flick
        anchors.right: flick.right
        width: 4
        radius: 2
        color: "#B8C2D0"
        visible: flick.visible && flick.visibleArea.heightRatio < 1
        y: flick.y + flick.visibleArea.yPosition * flick.height
        height: flick.visibleArea.heightRatio * flick.height
    }

    // A "name: value" line that shows a dash for an empty value.
    component VersionRow: DetailRow {
        property string text: ""
        value: text.length > 0 ? text : "\u2014"
        nameWidth: 90
    }

    // A setting: its title and explanation on the left, a control on the right.
    component SettingRow: Item {
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

    // One list of remembered decisions (e-mail sources or websites): the rows, the row commands
    // and the details of the selected row.
    component EntryList: Item {
        id: entryList
        property alias list: rows
        property var rowsModel
        property string title: ""
        property string empty: ""
        property string commandPrefix: ""   // "IDC_FS_mailListItem" or "IDC_FS_siteListItem"
        property string detailsCommand: ""  // "IDC_FS_UpdateEntryDetails...ListItem"
        property string optionsCommand: ""
        property string confirmKey: ""
        property var details: []            // [{ name, value }]
        readonly property int current: rows.currentIndex
        readonly property bool selected: current >= 0 && current < rowsModel.count

        function command(name) {
            if (selected)
                movie.send(commandPrefix + name, current)
        }
        function askDetails() {
            movie.send(detailsCommand, selected ? current : undefined)
        }
        // Asks once the view has settled after a change of the selection or of the rows.
        Timer {
            id: detailsTimer
            interval: 0
            onTriggered: entryList.askDetails()
        }
        // The program removed rows (index, or -1 for all). The view keeps the selection on the
        // same entry, or on the one that took the removed entry's place; its details are asked
        // for again once the view has settled.
        function rowsRemoved(index) {
            if (index < 0 || rowsModel.count === 0)
                rows.currentIndex = -1
            detailsTimer.restart()
        }

        PageTitle {
            id: listTitle
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            text: entryList.title
            note: movie.say("items", entryList.rowsModel.count)
            linkText: entryList.optionsCommand.length > 0 ? movie.say("options") : ""
            onLinkClicked: movie.send(entryList.optionsCommand)
        }

        Card {
            id: rowsCard
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: listTitle.bottom
            anchors.topMargin: 8
            anchors.bottom: actionBar.top
            anchors.bottomMargin: 6
            clip: true
            border.color: rows.activeFocus ? Theme.focus : Theme.border
            border.width: rows.activeFocus ? 2 : 1
            Text {
                anchors.centerIn: parent
                visible: entryList.rowsModel.count === 0
                text: entryList.empty
                color: Theme.faint
                font.family: Theme.fontFamily
                font.pixelSize: Theme.smallSize
            }
            ListView {
                id: rows
                anchors.fill: parent
                anchors.margins: 2
                model: entryList.rowsModel
                reuseItems: true
                activeFocusOnTab: true
                keyNavigationEnabled: true
                currentIndex: -1
                highlightMoveDuration: 0
                boundsBehavior: Flickable.StopAtBounds
                objectName: entryList.commandPrefix === "IDC_FS_mailListItem" ? "mailRows" : "siteRows"
                onCurrentIndexChanged: detailsTimer.restart()
                Keys.onPressed: function(event) {
                    if (event.key === Qt.Key_Delete) {
                        entryList.command("Remove")
                    } else if (event.key === Qt.Key_A && !event.modifiers) {
                        entryList.command("Allow")
                    } else if (event.key === Qt.Key_B && !event.modifiers) {
                        entryList.command("Block")
                    } else if (event.key === Qt.Key_K && !event.modifiers) {
                        entryList.command("Ask")
                    } else if (event.key === Qt.Key_Home && count > 0) {
                        currentIndex = 0
                    } else if (event.key === Qt.Key_End && count > 0) {
                        currentIndex = count - 1
                    } else if ((event.key === Qt.Key_Down || event.key === Qt.Key_Up) && currentIndex < 0 && count > 0) {
                        currentIndex = 0
                    } else {
                        return
                    }
                    event.accepted = true
                }
                delegate: Rectangle {
                    id: row
                    width: rows.width
                    height: 30
                    readonly property bool current: ListView.isCurrentItem
                    color: current ? "#E3ECFC" : (index % 2 ? "#FAFBFD" : Theme.card)
                    Rectangle {
                        visible: row.current
                        width: 3
                        height: parent.height
                        color: Theme.accent
                    }
                    Rectangle {
                        id: typeBadge
                        anchors.left: parent.left
                        anchors.leftMargin: 9
                        anchors.verticalCenter: parent.verticalCenter
                        width: 52
                        height: 18
                        radius: 3
                        color: "#EEF2F8"
                        border.color: Theme.border
                        Text {
                            anchors.centerIn: parent
                            text: model.type
                            color: Theme.muted
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.tinySize
                            font.bold: true
                        }
                    }
                    Text {
                        anchors.left: typeBadge.right
                        anchors.leftMargin: 8
                        anchors.right: actionPill.left
                        anchors.rightMargin: 8
                        anchors.verticalCenter: parent.verticalCenter
                        text: String(model.stricted).replace(/\n/g, "  ")
                        color: Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.smallSize
                        font.bold: row.current
                        elide: Text.ElideMiddle
                    }
                    Rectangle {
                        id: actionPill
                        anchors.right: parent.right
                        anchors.rightMargin: 8
                        anchors.verticalCenter: parent.verticalCenter
                        width: Math.max(52, actionText.implicitWidth + 14)
                        height: 18
                        radius: 9
                        color: movie.actionColor(model.action)
                        Text {
                            id: actionText
                            anchors.centerIn: parent
                            text: model.action
                            color: "#FFFFFF"
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.tinySize
                            font.bold: true
                        }
                    }
                    MouseArea {
                        anchors.fill: parent
                        onClicked: { rows.currentIndex = index; rows.forceActiveFocus() }
                    }
                }
            }
        }

        Row {
            id: actionBar
            anchors.left: parent.left
            anchors.bottom: detailsCard.top
            anchors.bottomMargin: 8
            spacing: 5
            PillButton { text: movie.say("allow"); tone: Theme.allow; enabled: entryList.selected; onClicked: entryList.command("Allow") }
            PillButton { text: movie.say("block"); tone: Theme.block; enabled: entryList.selected; onClicked: entryList.command("Block") }
            PillButton { text: movie.say("ask"); tone: Theme.warning; enabled: entryList.selected; onClicked: entryList.command("Ask") }
        }
        Row {
            anchors.right: parent.right
            anchors.verticalCenter: actionBar.verticalCenter
            spacing: 5
            PillButton {
                text: movie.say("remove"); tone: Theme.text; outline: true
                enabled: entryList.selected
                onClicked: entryList.command("Remove")
            }
            PillButton {
                text: movie.say("removeAll"); tone: Theme.block; outline: true
                enabled: entryList.rowsModel.count > 0
                onClicked: confirmPanel.open(movie.say(entryList.confirmKey, entryList.rowsModel.count),
                                             movie.say("removeAll"), entryList.commandPrefix + "RemoveAll")
            }
        }

        Card {
            id: detailsCard
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: entryList.details.length * 16 + 14
            color: "#F9FAFC"
            Text {
                anchors.centerIn: parent
                visible: !entryList.selected
                text: movie.say("selectHint")
                color: Theme.faint
                font.family: Theme.fontFamily
                font.pixelSize: Theme.smallSize
            }
            Column {
                visible: entryList.selected
                anchors.fill: parent
                anchors.margins: 7
                anchors.leftMargin: 10
                Repeater {
                    model: entryList.details
                    DetailRow {
                        width: parent.width
                        height: 16
                        nameWidth: 82
                        name: modelData.name
                        value: modelData.value
                    }
                }
            }
        }
    }

    // ---- header and navigation ----

    Header {
        id: header
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        title: "Hookwise"
        subtitle: movie.say("subtitle")
        mark: movie.mailOn && movie.webOn ? "check" : "alert"
        markFill: movie.mailOn && movie.webOn ? Theme.accent : Theme.warning
        markFillDark: movie.mailOn && movie.webOn ? Theme.accentDark : "#C2850C"
        onDragRequested: movie.send("IDC_FS_DRAG")
        onCloseClicked: movie.send("IDC_FS_CLOSE")
    }

    Row {
        // Help and minimise, beside the header's close button.
        anchors.right: header.right
        anchors.rightMargin: 32
        anchors.verticalCenter: header.verticalCenter
        spacing: 2
        Repeater {
            model: [ { sign: "?", command: "IDC_FS_Help" }, { sign: "\u2013", command: "IDC_FS_MINIMIZE" } ]
            Rectangle {
                width: 24
                height: 24
                radius: 4
                color: headerButtonArea.containsMouse ? "#2A4470" : "transparent"
                Text {
                    anchors.centerIn: parent
                    text: modelData.sign
                    color: Theme.headerMuted
                    font.family: Theme.fontFamily
                    font.pixelSize: 13
                    font.bold: true
                }
                MouseArea {
                    id: headerButtonArea
                    anchors.fill: parent
                    hoverEnabled: true
                    onClicked: movie.send(modelData.command)
                }
            }
        }
    }

    Rectangle {
        id: navigation
        anchors.left: parent.left
        anchors.top: header.bottom
        anchors.bottom: parent.bottom
        width: 122
        color: "#E9EEF5"
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
                    readonly property int rows: modelData.key === "mail" ? mailModel.count
                                              : modelData.key === "sites" ? siteModel.count
                                              : modelData.key === "log" ? logModel.count : 0
                    width: navigation.width - 1
                    height: 32
                    color: current ? Theme.card : (navArea.containsMouse ? "#DFE6F0" : "transparent")
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
                        color: navItem.current ? Theme.accent : "#C9D3E1"
                        Text {
                            id: badgeText
                            anchors.centerIn: parent
                            text: navItem.rows
                            color: navItem.current ? "#FFFFFF" : Theme.text
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
            color: loginArea.containsMouse ? "#DCE4EF" : "#E1E8F1"
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

    // ---- pages ----

    Item {
        id: content
        anchors.left: navigation.right
        anchors.right: parent.right
        anchors.top: header.bottom
        anchors.bottom: parent.bottom
        anchors.margins: Theme.margin

        // ---- overview ----
        Column {
            id: overviewPage
            anchors.fill: parent
            visible: movie.page === "overview"
            spacing: 8

            Rectangle {
                id: stateBanner
                width: parent.width
                height: 58
                radius: Theme.radius
                readonly property bool all: movie.mailOn && movie.webOn
                readonly property bool none: !movie.mailOn && !movie.webOn
                color: all ? "#E6F5EC" : (none ? Theme.danger : "#FDF3E1")
                border.color: all ? "#B7E0C8" : (none ? Theme.dangerBorder : "#F1D9A6")
                ShieldIcon {
                    id: stateShield
                    anchors.left: parent.left
                    anchors.leftMargin: 12
                    anchors.verticalCenter: parent.verticalCenter
                    width: 28
                    height: 32
                    mark: stateBanner.all ? "check" : "alert"
                    fill: stateBanner.all ? Theme.allow : (stateBanner.none ? Theme.block : Theme.warning)
                    fillDark: stateBanner.all ? Theme.allowDark : (stateBanner.none ? Theme.blockDark : "#C2850C")
                }
                Column {
                    anchors.left: stateShield.right
                    anchors.leftMargin: 12
                    anchors.right: parent.right
                    anchors.rightMargin: 10
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 2
                    Text {
                        text: stateBanner.all ? movie.say("protectedTitle")
                            : stateBanner.none ? movie.say("offTitle") : movie.say("partialTitle")
                        color: Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.titleSize
                        font.bold: true
                    }
                    Text {
                        width: parent.width
                        text: stateBanner.all ? movie.say("protectedText")
                            : stateBanner.none ? movie.say("offText") : movie.say("partialText")
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
                        color: tileArea.containsMouse ? "#FBFCFE" : Theme.card
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
                        on: movie.mailOn
                        onToggled: movie.send(movie.mailOn ? "IDC_FS_MailProtectionOff" : "IDC_FS_MailProtectionOn")
                    }
                    Rectangle { x: 12; width: parent.width - 24; height: 1; color: Theme.divider }
                    SwitchRow {
                        width: parent.width
                        objectName: "siteSwitch"
                        text: movie.say("webProtection")
                        on: movie.webOn
                        onToggled: movie.send(movie.webOn ? "IDC_FS_SiteBlockingOff" : "IDC_FS_SiteBlockingOn")
                    }
                }
            }

            // The newest alert log entry.
            Card {
                id: latest
                readonly property var entry: logModel.count > 0 ? logModel.get(logModel.count - 1) : null
                width: parent.width
                height: 40
                visible: entry !== null
                color: latestArea.containsMouse ? "#FBFCFE" : Theme.card
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

        // ---- e-mail ----
        EntryList {
            id: mailPage
            anchors.fill: parent
            visible: movie.page === "mail"
            rowsModel: mailModel
            title: movie.say("mailTitle")
            empty: movie.say("emptyMail")
            commandPrefix: "IDC_FS_mailListItem"
            detailsCommand: "IDC_FS_UpdateEntryDetailsMailListItem"
            optionsCommand: "IDC_FS_AdvancedMailSettings"
            confirmKey: "confirmMail"
            details: [
                { name: movie.say("program"), value: movie.mailDetailProgram },
                { name: movie.say("from"), value: movie.mailDetailFrom },
                { name: movie.say("to"), value: movie.mailDetailTo },
                { name: movie.say("subject"), value: movie.mailDetailSubject },
                { name: movie.say("time"), value: movie.mailDetailTime },
                { name: movie.say("attachment"), value: movie.mailDetailAttachment },
                { name: movie.say("protocol"), value: movie.mailDetailProtocol }
            ]
            Connections {
                target: movie
                function onMailRowsRemoved(index) { mailPage.rowsRemoved(index) }
            }
        }

        // ---- websites ----
        EntryList {
            id: sitePage
            anchors.fill: parent
            visible: movie.page === "sites"
            rowsModel: siteModel
            title: movie.say("siteTitle")
            empty: movie.say("emptySites")
            commandPrefix: "IDC_FS_siteListItem"
            detailsCommand: "IDC_FS_UpdateEntryDetailsWebListItem"
            optionsCommand: "IDC_FS_AdvancedSiteBlockingSettings"
            confirmKey: "confirmSites"
            details: [
                { name: movie.say("program"), value: movie.siteDetailProgram },
                { name: movie.say("time"), value: movie.siteDetailTime },
                { name: movie.say("address"), value: movie.siteDetailAddress },
                { name: movie.say("protocol"), value: movie.siteDetailProtocol }
            ]
            Connections {
                target: movie
                function onSiteRowsRemoved(index) { sitePage.rowsRemoved(index) }
            }
        }

        // ---- alert log ----
        Item {
            id: logPage
            anchors.fill: parent
            visible: movie.page === "log"
            // The newest rows the view shows (the log viewer setting).
            readonly property int shown: Math.min(logModel.count, movie.logLimit)
            readonly property int rowHeight: 44

            PageTitle {
                id: logTitle
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                text: movie.say("alertLog")
                note: logModel.count > logPage.shown ? movie.say("showingLatest", logPage.shown).replace("%2", logModel.count)
                                                     : movie.say("entries", logModel.count)
                linkText: movie.say("logSettings")
                onLinkClicked: movie.send("IDC_FS_AlertAndLogAdvancedSettings")
            }

            Row {
                id: logTools
                anchors.left: parent.left
                anchors.top: logTitle.bottom
                anchors.topMargin: 8
                spacing: 4
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: movie.say("show")
                    color: Theme.muted
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.smallSize
                    rightPadding: 2
                }
                Repeater {
                    model: [50, 100, 500, 1000, 10000]
                    PillButton {
                        text: modelData === 10000 ? movie.say("all") : String(modelData)
                        height: 22
                        tone: Theme.accent
                        outline: movie.logLimit !== modelData
                        onClicked: movie.send("IDC_FS_LogViewerStepper", modelData)
                    }
                }
            }
            PillButton {
                anchors.right: parent.right
                anchors.verticalCenter: logTools.verticalCenter
                text: movie.say("clearLog")
                tone: Theme.block
                outline: true
                enabled: logModel.count > 0
                onClicked: confirmPanel.open(movie.say("confirmLog", logModel.count), movie.say("clearLog"),
                                             "IDC_FS_LogVwClear")
            }

            Card {
                id: logCard
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: logTools.bottom
                anchors.topMargin: 8
                anchors.bottom: parent.bottom
                clip: true
                border.color: logRows.activeFocus ? Theme.focus : Theme.border
                border.width: logRows.activeFocus ? 2 : 1
                Text {
                    anchors.centerIn: parent
                    visible: logModel.count === 0
                    text: movie.say("emptyLog")
                    color: Theme.faint
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.smallSize
                }
                // Newest first: the rows are laid out from the bottom, the view kept at the newest
                // end and never scrolling below the oldest row it shows.
                ListView {
                    id: logRows
                    objectName: "logRows"
                    property bool followNewest: true
                    reuseItems: true
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.top: parent.top
                    anchors.margins: 2
                    height: Math.min(logCard.height - 4, logPage.shown * logPage.rowHeight)
                    model: logModel
                    verticalLayoutDirection: ListView.BottomToTop
                    bottomMargin: -(logModel.count - logPage.shown) * logPage.rowHeight
                    activeFocusOnTab: true
                    currentIndex: -1
                    highlightMoveDuration: 0
                    boundsBehavior: Flickable.StopAtBounds
                    // While rows stream in, the view catches up with the newest a few times a
                    // second rather than after every row.
                    onCountChanged: if (followNewest && !followTimer.running) followTimer.start()
                    onHeightChanged: if (followNewest) positionViewAtEnd()
                    onMovementEnded: followNewest = atYBeginning
                    Keys.onPressed: function(event) {
                        var oldest = count - logPage.shown
                        if (count === 0)
                            return
                        if (event.key === Qt.Key_Up || event.key === Qt.Key_Home) {
                            currentIndex = (currentIndex < 0 || event.key === Qt.Key_Home) ? count - 1
                                         : Math.min(count - 1, currentIndex + 1)
                        } else if (event.key === Qt.Key_Down || event.key === Qt.Key_End) {
                            currentIndex = (currentIndex < 0 && event.key === Qt.Key_Down) ? count - 1
                                         : event.key === Qt.Key_End ? oldest
                                         : Math.max(oldest, currentIndex - 1)
                        } else {
                            return
                        }
                        positionViewAtIndex(currentIndex, ListView.Contain)
                        event.accepted = true
                    }
                    Timer {
                        id: followTimer
                        interval: 50
                        onTriggered: if (logRows.followNewest) logRows.positionViewAtEnd()
                    }
                    delegate: Rectangle {
                        id: logRow
                        width: logRows.width
                        height: logPage.rowHeight
                        readonly property bool current: ListView.isCurrentItem
                        readonly property bool high: parseInt(model.hits) > 10
                                                     || ["high", "hoch"].indexOf(String(model.rating).toLowerCase()) >= 0
                        color: current ? "#E3ECFC" : (index % 2 ? "#FAFBFD" : Theme.card)
                        Rectangle {
                            visible: logRow.current
                            width: 3
                            height: parent.height
                            color: Theme.accent
                        }
                        Rectangle {
                            id: ratingMark
                            anchors.left: parent.left
                            anchors.leftMargin: 10
                            anchors.verticalCenter: parent.verticalCenter
                            width: 8
                            height: 8
                            radius: 4
                            color: logRow.high ? Theme.block : Theme.warning
                        }
                        Column {
                            anchors.left: ratingMark.right
                            anchors.leftMargin: 8
                            anchors.right: countText.left
                            anchors.rightMargin: 8
                            anchors.verticalCenter: parent.verticalCenter
                            spacing: 2
                            Text {
                                width: parent.width
                                text: String(model.stricted).replace(/\n/g, "  ")
                                color: Theme.text
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.smallSize
                                font.bold: true
                                elide: Text.ElideMiddle
                            }
                            Text {
                                width: parent.width
                                text: [model.type, movie.fileName(model.program), model.protocol, model.host, model.time]
                                      .filter(function(t) { return String(t).length > 0 }).join("  \u00B7  ")
                                color: Theme.muted
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.tinySize
                                elide: Text.ElideRight
                            }
                        }
                        Text {
                            id: countText
                            anchors.right: actionText.left
                            anchors.rightMargin: 8
                            anchors.verticalCenter: parent.verticalCenter
                            text: movie.say("count", model.hits)
                            color: logRow.high ? Theme.block : Theme.muted
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.smallSize
                            font.bold: logRow.high
                        }
                        Text {
                            id: actionText
                            anchors.right: parent.right
                            anchors.rightMargin: 10
                            anchors.verticalCenter: parent.verticalCenter
                            width: 58
                            horizontalAlignment: Text.AlignRight
                            text: model.action
                            color: movie.actionColor(model.action)
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.smallSize
                            font.bold: true
                            elide: Text.ElideRight
                        }
                        MouseArea {
                            anchors.fill: parent
                            onClicked: { logRows.currentIndex = index; logRows.forceActiveFocus() }
                        }
                    }
                }
            }
        }

        // ---- settings ----
        Flickable {
            id: settingsPage
            anchors.fill: parent
            visible: movie.page === "settings"
            contentHeight: settingsColumn.height
            clip: true
            boundsBehavior: Flickable.StopAtBounds

            Column {
                id: settingsColumn
                width: settingsPage.width - 8
                spacing: 6

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
                            on: movie.mailOn
                            linkText: movie.say("options")
                            onToggled: movie.send(movie.mailOn ? "IDC_FS_MailProtectionOff" : "IDC_FS_MailProtectionOn")
                            onLinkClicked: movie.send("IDC_FS_AdvancedMailSettings")
                        }
                        Rectangle { x: 12; width: parent.width - 24; height: 1; color: Theme.divider }
                        SwitchRow {
                            width: parent.width
                            text: movie.say("webProtection")
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
                        width: settingsColumn.width
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
                        PillButton {
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
                        PillButton {
                            readonly property bool chosen: String(modelData).toLowerCase() === movie.strCurrentLanguage.toLowerCase()
                            text: movie.languageLabel(modelData)
                            outline: !chosen
                            tone: Theme.accent
                            onClicked: movie.send("IDC_FS_CHANGE_LANGUAGE", modelData)
                        }
                    }
                }
                Item { width: 1; height: 4 }
            }
        }

        // ---- administration ----
        Flickable {
            id: adminPage
            anchors.fill: parent
            visible: movie.page === "admin"
            contentHeight: adminColumn.height
            clip: true
            boundsBehavior: Flickable.StopAtBounds

            Column {
                id: adminColumn
                width: adminPage.width - 8
                spacing: 6

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
                            fillDark: !movie.hasPassword ? "#C2850C" : movie.loggedIn ? Theme.allowDark : Theme.accentDark
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
                                PillButton {
                                    text: movie.hasPassword ? movie.say("changePassword") : movie.say("setPassword")
                                    onClicked: movie.send("IDC_FS_SetPassword")
                                }
                                PillButton {
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
                            PillButton { text: movie.say("backupButton"); onClicked: movie.send("IDC_FS_BackupSettings") }
                            PillButton { text: movie.say("restoreButton"); outline: true; onClicked: movie.send("IDC_FS_RestoreSettings") }
                        }
                    }
                }

                SectionTitle { text: movie.say("resetTitle") }
                Card {
                    width: parent.width
                    height: resetRow.height
                    color: "#FFFBFB"
                    border.color: Theme.dangerBorder
                    SettingRow {
                        id: resetRow
                        width: parent.width
                        title: movie.say("resetTitle")
                        detail: movie.say("resetText")
                        PillButton {
                            text: movie.say("resetButton")
                            tone: Theme.block
                            onClicked: movie.send("IDC_FS_Reset")
                        }
                    }
                }

                SectionTitle { text: movie.say("support") }
                Row {
                    spacing: 6
                    PillButton { text: movie.say("help"); outline: true; onClicked: movie.send("IDC_FS_Help") }
                    PillButton { text: movie.say("contact"); outline: true; onClicked: movie.send("IDC_FS_technicalSupport") }
                    PillButton { text: movie.say("checkUpdates"); outline: true; onClicked: movie.send("IDC_FS_RunLiveUpdate") }
                }
                Item { width: 1; height: 4 }
            }
        }

        ScrollMark { flick: settingsPage }
        ScrollMark { flick: adminPage }
    }

    // Keeps the focused control of a scrolling page in sight.
    readonly property Item focusedItem: Window.activeFocusItem
    onFocusedItemChanged: {
        var flicks = [settingsPage, adminPage]
        for (var i = 0; i < flicks.length; ++i) {
            var flick = flicks[i]
            if (!flick.visible || !focusedItem)
                continue
            var top = focusedItem.mapToItem(flick.contentItem, 0, 0).y
            if (top < 0 || top > flick.contentHeight)
                continue
            var bottom = top + focusedItem.height
            if (top < flick.contentY)
                flick.contentY = Math.max(0, top - 6)
            else if (bottom > flick.contentY + flick.height)
                flick.contentY = Math.min(flick.contentHeight - flick.height, bottom - flick.height + 6)
        }
    }

    // ---- the confirmation panel ----

    Rectangle {
        id: confirmPanel
        objectName: "confirmPanel"
        anchors.fill: parent
        visible: false
        color: "#800B1D38"
        property string command: ""
        property Item returnFocus: null

        function open(text, confirmText, command) {
            confirmMessage.text = text
            confirmButton.text = confirmText
            confirmPanel.command = command
            returnFocus = movie.focusedItem
            visible = true
            confirmButton.forceActiveFocus()
        }
        function close() {
            visible = false
            if (returnFocus)
                returnFocus.forceActiveFocus()
        }
        function confirm() {
            var command = confirmPanel.command
            close()
            movie.send(command)
        }

        MouseArea { anchors.fill: parent; acceptedButtons: Qt.AllButtons }
        Card {
            anchors.centerIn: parent
            width: 300
            height: confirmColumn.height + 28
            Column {
                id: confirmColumn
                x: 14
                y: 14
                width: parent.width - 28
                spacing: 14
                Row {
                    width: parent.width
                    spacing: 10
                    StatusIcon { kind: "warning"; width: 26; height: 26 }
                    Text {
                        id: confirmMessage
                        width: parent.width - 36
                        color: Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.textSize
                        wrapMode: Text.WordWrap
                    }
                }
                Row {
                    anchors.right: parent.right
                    spacing: 6
                    PillButton { id: confirmButton; tone: Theme.block; onClicked: confirmPanel.confirm() }
                    PillButton { text: movie.say("cancel"); outline: true; tone: Theme.text; onClicked: confirmPanel.close() }
                }
            }
        }
    }
}
