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
// Sections: variables; the list protocol; words and helpers; the window: header, navigation, the
// pages (in main/: overview, e-mail, websites, alert log, settings, administration) and the
// confirmation panel.
import QtQuick
import "common"
import "main"

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

    // Why protection is off although switched on (no definitions, no channel); empty while it works.
    property string strProtectionProblem: ""
    readonly property bool unprotected: strProtectionProblem !== ""
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

    // ---- words and helpers ----

    function say(key, arg) {
        return Texts.mainText(language, key, arg)
    }

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
        var targets = { mail: mailPage.list, sites: sitePage.list, log: logPage.list }
        if (targets[name] !== undefined)
            targets[name].forceActiveFocus()
    }

    // Asks before a command that loses entries; the command goes once the user confirms.
    function confirm(text, confirmText, command) {
        confirmPanel.open(text, confirmText, command)
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

    // ---- the window ----

    Header {
        id: header
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        title: "Hookwise"
        subtitle: movie.say("subtitle")
        mark: movie.mailOn && movie.webOn ? "check" : "alert"
        markFill: movie.mailOn && movie.webOn ? Theme.accent : Theme.warning
        markFillDark: movie.mailOn && movie.webOn ? Theme.accentDark : Theme.warningDark
        onDragRequested: movie.send("IDC_FS_DRAG")
        onCloseClicked: movie.send("IDC_FS_CLOSE")
    }

    WindowButtons {
        movie: movie
        anchors.right: header.right
        anchors.rightMargin: 32
        anchors.verticalCenter: header.verticalCenter
    }

    Navigation {
        id: navigation
        movie: movie
        anchors.left: parent.left
        anchors.top: header.bottom
        anchors.bottom: parent.bottom
        mailCount: mailModel.count
        siteCount: siteModel.count
        logCount: logModel.count
    }

    Item {
        id: content
        anchors.left: navigation.right
        anchors.right: parent.right
        anchors.top: header.bottom
        anchors.bottom: parent.bottom
        anchors.margins: Theme.margin

        OverviewPage {
            anchors.fill: parent
            visible: movie.page === "overview"
            movie: movie
            logModel: logModel
        }
        MailPage {
            id: mailPage
            anchors.fill: parent
            visible: movie.page === "mail"
            movie: movie
            rowsModel: mailModel
        }
        SitesPage {
            id: sitePage
            anchors.fill: parent
            visible: movie.page === "sites"
            movie: movie
            rowsModel: siteModel
        }
        LogPage {
            id: logPage
            anchors.fill: parent
            visible: movie.page === "log"
            movie: movie
            rowsModel: logModel
        }
        SettingsPage {
            anchors.fill: parent
            visible: movie.page === "settings"
            movie: movie
        }
        AdminPage {
            anchors.fill: parent
            visible: movie.page === "admin"
            movie: movie
        }
    }

    ConfirmPanel {
        id: confirmPanel
        objectName: "confirmPanel"
        anchors.fill: parent
        movie: movie
    }
}
