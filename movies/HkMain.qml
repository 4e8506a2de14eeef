// The main window's movie: the overview (protection state, counters, the two protection switches,
// versions) and the three lists the program streams in (e-mail sources, websites, alert log).
//
// List protocol: the program sets an item's fields, then the list's operation variable to "Add";
// the movie appends the item and answers "IDC_FS_..._NoOperation". "Update" changes the Action of
// the row at "..._UpdatedItemIndex"; a log entry's count changes when "LogViewerUpdatedIndexItem"
// is set (after its value). "RemoveFirst" on the log drops its oldest row. Rows keep the program's
// indexes; an index outside the rows is ignored. The movie resets each operation variable after
// acting, so the same operation set again acts again.
import QtQuick
import "common"

MovieRoot {
    id: movie

    width: 501
    height: 452

    // ---- overview variables ----
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
    property string bLoadwithWindowsStartup: "true"
    property string bLoadSplashScreen: "true"
    property string bIsLogin: "false"
    property string bIsPasswordEntered: "false"
    property string languageOptions: ""
    property string enumAlertEventsLevel: "0"

    // ---- list operations ----
    property string strScamMailOperation: ""
    property string strScamSiteOperation: ""
    property string strViewLogOperation: ""

    readonly property bool webOn: bWebSiteBlockingProtectionState.toLowerCase() === "true"
    readonly property bool mailOn: bMailSafeProtectionState.toLowerCase() === "true"

    // "overview", "mail", "sites" or "log"
    property string page: "overview"

    ListModel { id: mailModel; objectName: "mailModel" }
    ListModel { id: siteModel; objectName: "siteModel" }
    ListModel { id: logModel; objectName: "logModel" }

    // The program's struct item fields are kept among the other variables.
    function field(name) { return getVariable("_root." + name) }

    function forgetVariables(names) {
        var copy = Object.assign({}, otherVariables)
        for (var i = 0; i < names.length; ++i)
            delete copy[names[i]]
        otherVariables = copy
    }

    function rowIndex(text, model) {
        var index = parseInt(text)
        return (isNaN(index) || index < 0 || index >= model.count) ? -1 : index
    }

    // The answers reach the program after the current call, as a movie frame would.
    function answerMail() { send("IDC_FS_MailScamList_NoOperation") }
    function answerSite() { send("IDC_FS_SiteScamList_NoOperation") }
    function answerLog() { send("IDC_FS_AlertLogList_NoOperation") }

    onStrScamMailOperationChanged: {
        var operation = strScamMailOperation.toLowerCase()
        if (operation === "")
            return
        if (operation === "add") {
            mailModel.append({ type: field("ScamMailStructItem.Type"),
                               stricted: field("ScamMailStructItem.Stricted"),
                               action: field("ScamMailStructItem.Action") })
            Qt.callLater(answerMail)
        } else if (operation === "update") {
            var index = rowIndex(field("MailScamUpdatedItemIndex"), mailModel)
            if (index >= 0)
                mailModel.setProperty(index, "action", field("MailScamUpdatedItemValue"))
        }
        strScamMailOperation = ""
    }

    onStrScamSiteOperationChanged: {
        var operation = strScamSiteOperation.toLowerCase()
        if (operation === "")
            return
        if (operation === "add") {
            siteModel.append({ type: field("ScamSiteStructItem.Type"),
                               stricted: field("ScamSiteStructItem.StrictedData"),
                               action: field("ScamSiteStructItem.Action") })
            Qt.callLater(answerSite)
        } else if (operation === "update") {
            var index = rowIndex(field("WebProtectionUpdatedItemIndex"), siteModel)
            if (index >= 0)
                siteModel.setProperty(index, "action", field("WebProtectionUpdatedItemValue"))
        }
        strScamSiteOperation = ""
    }

    onStrViewLogOperationChanged: {
        var operation = strViewLogOperation.toLowerCase()
        if (operation === "")
            return
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
            Qt.callLater(answerLog)
        } else if (operation === "removefirst") {
            if (logModel.count > 0)
                logModel.remove(0)
        }
        strViewLogOperation = ""
    }

    onOtherVariablesChanged: {
        if (!("LogViewerUpdatedIndexItem" in otherVariables))
            return
        var index = rowIndex(otherVariables["LogViewerUpdatedIndexItem"], logModel)
        var value = otherVariables["LogViewerUpdatedItemValue"]
        forgetVariables(["LogViewerUpdatedIndexItem"])
        if (index < 0 || value === undefined || value === "")
            return
        logModel.setProperty(index, "hits", value)
        if (parseInt(value) > 10)
            logModel.setProperty(index, "rating", "High")
    }

    // The movie's own words; other languages show the English ones.
    readonly property var words: ({
        english: {
            subtitle: "Phishing protection", overview: "Overview", mailList: "E-mail",
            siteList: "Websites", alertLog: "Alert log",
            protectedTitle: "You are protected", protectedText: "E-mail and web protection are on.",
            partialTitle: "Protection is partly off", partialText: "Turn both switches on to stay safe.",
            offTitle: "Protection is off", offText: "Phishing e-mail and websites get through.",
            blocked: "Blocked", highRated: "High rated", mailAlerts: "E-mail alerts",
            webAlerts: "Web alerts", mailProtection: "E-mail protection",
            webProtection: "Website blocking", on: "On", off: "Off",
            program: "Program", engine: "Engine", definitions: "Definitions",
            items: "%1 items", entries: "%1 entries",
            emptyMail: "No phishing e-mail sources yet.",
            emptySites: "No phishing websites or hosts yet.",
            emptyLog: "Nothing detected yet.",
            count: "\u00D7%1"
        },
        german: {
            subtitle: "Phishing-Schutz", overview: "\u00DCbersicht", mailList: "E-Mail",
            siteList: "Websites", alertLog: "Warnprotokoll",
            protectedTitle: "Sie sind gesch\u00FCtzt",
            protectedText: "E-Mail- und Web-Schutz sind eingeschaltet.",
            partialTitle: "Schutz teilweise aus",
            partialText: "Schalten Sie beide Schalter ein.",
            offTitle: "Schutz ist aus", offText: "Phishing-E-Mails und -Websites kommen durch.",
            blocked: "Blockiert", highRated: "Hoch bewertet", mailAlerts: "E-Mail-Warnungen",
            webAlerts: "Web-Warnungen", mailProtection: "E-Mail-Schutz",
            webProtection: "Website-Sperre", on: "Ein", off: "Aus",
            program: "Programm", engine: "Engine", definitions: "Definitionen",
            items: "%1 Eintr\u00E4ge", entries: "%1 Eintr\u00E4ge",
            emptyMail: "Noch keine Phishing-E-Mail-Quellen.",
            emptySites: "Noch keine Phishing-Websites oder -Hosts.",
            emptyLog: "Noch nichts erkannt.",
            count: "\u00D7%1"
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

    function actionColor(action) {
        var a = String(action).toLowerCase()
        return a === "block" || a === "blockieren" ? Theme.block
             : a === "allow" || a === "zulassen" ? Theme.allow : Theme.warning
    }

    Keys.onEscapePressed: send("IDC_FS_CLOSE")

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

    // ---- navigation ----
    Rectangle {
        id: navigation
        anchors.left: parent.left
        anchors.top: header.bottom
        anchors.bottom: parent.bottom
        width: 122
        color: "#E9EEF5"
        Rectangle { anchors.right: parent.right; width: 1; height: parent.height; color: Theme.border }

        Column {
            anchors.fill: parent
            anchors.topMargin: 10
            spacing: 2
            Repeater {
                model: [
                    { key: "overview", label: movie.say("overview"), badge: "" },
                    { key: "mail", label: movie.say("mailList"), badge: String(mailModel.count) },
                    { key: "sites", label: movie.say("siteList"), badge: String(siteModel.count) },
                    { key: "log", label: movie.say("alertLog"), badge: String(logModel.count) }
                ]
                delegate: Rectangle {
                    id: navItem
                    readonly property bool current: movie.page === modelData.key
                    width: navigation.width - 1
                    height: 32
                    color: current ? Theme.card : (navArea.containsMouse ? "#DFE6F0" : "transparent")
                    activeFocusOnTab: true
                    Keys.onReturnPressed: movie.page = modelData.key
                    Keys.onSpacePressed: movie.page = modelData.key
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
                        anchors.verticalCenter: parent.verticalCenter
                        text: modelData.label
                        color: navItem.current ? Theme.text : Theme.muted
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.textSize
                        font.bold: navItem.current
                    }
                    Rectangle {
                        visible: modelData.badge !== "" && modelData.badge !== "0"
                        anchors.right: parent.right
                        anchors.rightMargin: 10
                        anchors.verticalCenter: parent.verticalCenter
                        width: Math.max(20, badgeText.implicitWidth + 10)
                        height: 16
                        radius: 8
                        color: navItem.current ? Theme.accent : "#C9D3E1"
                        Text {
                            id: badgeText
                            anchors.centerIn: parent
                            text: modelData.badge
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
                        onClicked: movie.page = modelData.key
                    }
                }
            }
        }
    }

    Item {
        id: content
        anchors.left: navigation.right
        anchors.right: parent.right
        anchors.top: header.bottom
        anchors.bottom: parent.bottom
        anchors.margins: Theme.margin

        // ---- overview ----
        Column {
            anchors.fill: parent
            visible: movie.page === "overview"
            spacing: 10

            Rectangle {
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
                    mark: parent.all ? "check" : "alert"
                    fill: parent.all ? Theme.allow : (parent.none ? Theme.block : Theme.warning)
                    fillDark: parent.all ? Theme.allowDark : (parent.none ? Theme.blockDark : "#C2850C")
                }
                Column {
                    anchors.left: stateShield.right
                    anchors.leftMargin: 12
                    anchors.right: parent.right
                    anchors.rightMargin: 10
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 2
                    Text {
                        text: parent.parent.all ? movie.say("protectedTitle")
                            : parent.parent.none ? movie.say("offTitle") : movie.say("partialTitle")
                        color: Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.titleSize
                        font.bold: true
                    }
                    Text {
                        width: parent.width
                        text: parent.parent.all ? movie.say("protectedText")
                            : parent.parent.none ? movie.say("offText") : movie.say("partialText")
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
                        { label: movie.say("blocked"), value: movie.dwNoOfBlockedInstructions, tone: Theme.block },
                        { label: movie.say("highRated"), value: movie.dwNoOfBlockedInstructionsHaveHighRating, tone: Theme.warning },
                        { label: movie.say("mailAlerts"), value: movie.dwNoOfEmailProtection, tone: Theme.accent },
                        { label: movie.say("webAlerts"), value: movie.dwNoOfWebProtection, tone: Theme.accent }
                    ]
                    delegate: Rectangle {
                        width: tiles.tileWidth
                        height: 54
                        radius: Theme.radius
                        color: Theme.card
                        border.color: Theme.border
                        Rectangle { width: 3; height: parent.height - 16; anchors.verticalCenter: parent.verticalCenter; color: modelData.tone; radius: 1 }
                        Column {
                            anchors.left: parent.left
                            anchors.leftMargin: 12
                            anchors.verticalCenter: parent.verticalCenter
                            spacing: 1
                            Text {
                                text: modelData.value
                                color: Theme.text
                                font.family: Theme.fontFamily
                                font.pixelSize: 20
                                font.bold: true
                            }
                            Text {
                                text: modelData.label
                                color: Theme.muted
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.smallSize
                            }
                        }
                    }
                }
            }

            Rectangle {
                width: parent.width
                height: switches.height + 8
                radius: Theme.radius
                color: Theme.card
                border.color: Theme.border
                Column {
                    id: switches
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.top: parent.top
                    anchors.topMargin: 4
                    Repeater {
                        model: [
                            { label: movie.say("mailProtection"), on: movie.mailOn,
                              onCommand: "IDC_FS_MailProtectionOn", offCommand: "IDC_FS_MailProtectionOff" },
                            { label: movie.say("webProtection"), on: movie.webOn,
                              onCommand: "IDC_FS_SiteBlockingOn", offCommand: "IDC_FS_SiteBlockingOff" }
                        ]
                        delegate: Item {
                            id: switchRow
                            width: switches.width
                            height: 34
                            activeFocusOnTab: true
                            function toggle() { movie.send(modelData.on ? modelData.offCommand : modelData.onCommand) }
                            Keys.onSpacePressed: toggle()
                            Text {
                                anchors.left: parent.left
                                anchors.leftMargin: 12
                                anchors.verticalCenter: parent.verticalCenter
                                text: modelData.label
                                color: Theme.text
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.textSize
                            }
                            Text {
                                anchors.right: track.left
                                anchors.rightMargin: 8
                                anchors.verticalCenter: parent.verticalCenter
                                text: modelData.on ? movie.say("on") : movie.say("off")
                                color: modelData.on ? Theme.allow : Theme.muted
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
                                color: modelData.on ? Theme.allow : "#B8C2D0"
                                border.width: switchRow.activeFocus ? 2 : 0
                                border.color: Theme.focus
                                Rectangle {
                                    width: 16
                                    height: 16
                                    radius: 8
                                    y: 2
                                    x: modelData.on ? parent.width - width - 2 : 2
                                    color: "#FFFFFF"
                                    Behavior on x { NumberAnimation { duration: 120 } }
                                }
                            }
                            MouseArea {
                                anchors.fill: parent
                                onClicked: switchRow.toggle()
                            }
                        }
                    }
                }
            }

            Column {
                width: parent.width
                spacing: 2
                DetailRow { width: parent.width; name: movie.say("program"); value: movie.strApplicationVersion }
                DetailRow { width: parent.width; name: movie.say("engine"); value: movie.strBaitgardSecurityEngineVersion }
                DetailRow { width: parent.width; name: movie.say("definitions"); value: movie.strBaitgardDefinitionVersion }
            }
        }

        // ---- the three lists ----
        Repeater {
            model: [
                { key: "mail", rows: mailModel, title: movie.say("mailList"), empty: movie.say("emptyMail") },
                { key: "sites", rows: siteModel, title: movie.say("siteList"), empty: movie.say("emptySites") }
            ]
            delegate: Item {
                anchors.fill: parent
                visible: movie.page === modelData.key
                Text {
                    id: listTitle
                    text: modelData.title
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.titleSize
                    font.bold: true
                }
                Text {
                    anchors.right: parent.right
                    anchors.baseline: listTitle.baseline
                    text: movie.say("items", modelData.rows.count)
                    color: Theme.muted
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.smallSize
                }
                Rectangle {
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.top: listTitle.bottom
                    anchors.topMargin: 8
                    anchors.bottom: parent.bottom
                    radius: Theme.radius
                    color: Theme.card
                    border.color: Theme.border
                    clip: true
                    Text {
                        anchors.centerIn: parent
                        visible: modelData.rows.count === 0
                        text: modelData.empty
                        color: Theme.faint
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.smallSize
                    }
                    ListView {
                        id: rows
                        anchors.fill: parent
                        anchors.margins: 1
                        model: modelData.rows
                        activeFocusOnTab: true
                        keyNavigationEnabled: true
                        currentIndex: -1
                        boundsBehavior: Flickable.StopAtBounds
                        delegate: Rectangle {
                            width: rows.width
                            height: 30
                            color: ListView.isCurrentItem ? "#E8F0FD" : (index % 2 ? "#FAFBFD" : Theme.card)
                            Rectangle {
                                id: typeBadge
                                anchors.left: parent.left
                                anchors.leftMargin: 8
                                anchors.verticalCenter: parent.verticalCenter
                                width: 56
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
                                elide: Text.ElideMiddle
                            }
                            Rectangle {
                                id: actionPill
                                anchors.right: parent.right
                                anchors.rightMargin: 8
                                anchors.verticalCenter: parent.verticalCenter
                                width: 52
                                height: 18
                                radius: 9
                                color: movie.actionColor(model.action)
                                Text {
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
            }
        }

        // ---- the alert log ----
        Item {
            anchors.fill: parent
            visible: movie.page === "log"
            Text {
                id: logTitle
                text: movie.say("alertLog")
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.titleSize
                font.bold: true
            }
            Text {
                anchors.right: parent.right
                anchors.baseline: logTitle.baseline
                text: movie.say("entries", logModel.count)
                color: Theme.muted
                font.family: Theme.fontFamily
                font.pixelSize: Theme.smallSize
            }
            Rectangle {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: logTitle.bottom
                anchors.topMargin: 8
                anchors.bottom: parent.bottom
                radius: Theme.radius
                color: Theme.card
                border.color: Theme.border
                clip: true
                Text {
                    anchors.centerIn: parent
                    visible: logModel.count === 0
                    text: movie.say("emptyLog")
                    color: Theme.faint
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.smallSize
                }
                ListView {
                    id: logRows
                    anchors.fill: parent
                    anchors.margins: 1
                    model: logModel
                    activeFocusOnTab: true
                    keyNavigationEnabled: true
                    currentIndex: -1
                    boundsBehavior: Flickable.StopAtBounds
                    delegate: Rectangle {
                        width: logRows.width
                        height: 44
                        color: ListView.isCurrentItem ? "#E8F0FD" : (index % 2 ? "#FAFBFD" : Theme.card)
                        readonly property bool high: String(model.rating).toLowerCase() === "high"
                        Rectangle {
                            id: ratingMark
                            anchors.left: parent.left
                            anchors.leftMargin: 8
                            anchors.verticalCenter: parent.verticalCenter
                            width: 8
                            height: 8
                            radius: 4
                            color: parent.high ? Theme.block : Theme.warning
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
                                text: [model.type, model.program, model.protocol, model.host, model.time]
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
                            color: parent.high ? Theme.block : Theme.muted
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.smallSize
                            font.bold: parent.high
                        }
                        Text {
                            id: actionText
                            anchors.right: parent.right
                            anchors.rightMargin: 10
                            anchors.verticalCenter: parent.verticalCenter
                            width: 40
                            horizontalAlignment: Text.AlignRight
                            text: model.action
                            color: movie.actionColor(model.action)
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.smallSize
                            font.bold: true
                        }
                        MouseArea {
                            anchors.fill: parent
                            onClicked: { logRows.currentIndex = index; logRows.forceActiveFocus() }
                        }
                    }
                }
            }
        }
    }
}
