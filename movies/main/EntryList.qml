// One list of remembered decisions (e-mail sources or websites): the rows, the row commands
// and the details of the selected row. The movie's list pages fill in its words and commands.
import QtQuick
import "../common"

Item {
    id: entryList
    property Item movie
    property alias list: rows
    property var rowsModel
    property string title: ""
    property string empty: ""
    property string rowsName: ""        // the view's object name
    // The commands of the selected row, and of the whole list.
    property string allowCommand: ""
    property string blockCommand: ""
    property string askCommand: ""
    property string removeCommand: ""
    property string removeAllCommand: ""
    property string detailsCommand: ""  // asks for the details of the selected row
    property string optionsCommand: ""
    property string confirmKey: ""
    property var details: []            // [{ name, value }]
    readonly property int current: rows.currentIndex
    readonly property bool selected: current >= 0 && current < rowsModel.count

    function command(name) {
        if (selected)
            movie.send(name, current)
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
            objectName: entryList.rowsName
            onCurrentIndexChanged: detailsTimer.restart()
            Keys.onPressed: function(event) {
                if (event.key === Qt.Key_Delete) {
                    entryList.command(entryList.removeCommand)
                } else if (event.key === Qt.Key_A && !event.modifiers) {
                    entryList.command(entryList.allowCommand)
                } else if (event.key === Qt.Key_B && !event.modifiers) {
                    entryList.command(entryList.blockCommand)
                } else if (event.key === Qt.Key_K && !event.modifiers) {
                    entryList.command(entryList.askCommand)
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
                color: current ? Theme.rowSelected : (index % 2 ? Theme.row : Theme.card)
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
                    color: Theme.badge
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
                        color: Theme.onColour
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
        ActionButton { pill: true; text: movie.say("allow"); tone: Theme.allow; enabled: entryList.selected; onClicked: entryList.command(entryList.allowCommand) }
        ActionButton { pill: true; text: movie.say("block"); tone: Theme.block; enabled: entryList.selected; onClicked: entryList.command(entryList.blockCommand) }
        ActionButton { pill: true; text: movie.say("ask"); tone: Theme.warning; enabled: entryList.selected; onClicked: entryList.command(entryList.askCommand) }
    }
    Row {
        anchors.right: parent.right
        anchors.verticalCenter: actionBar.verticalCenter
        spacing: 5
        ActionButton {
            pill: true
            text: movie.say("remove"); tone: Theme.text; outline: true
            enabled: entryList.selected
            onClicked: entryList.command(entryList.removeCommand)
        }
        ActionButton {
            pill: true
            text: movie.say("removeAll"); tone: Theme.block; outline: true
            enabled: entryList.rowsModel.count > 0
            onClicked: movie.confirm(movie.say(entryList.confirmKey, entryList.rowsModel.count),
                                     movie.say("removeAll"), entryList.removeAllCommand)
        }
    }

    Card {
        id: detailsCard
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: entryList.details.length * 16 + 14
        color: Theme.panel
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
