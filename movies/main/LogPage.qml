// The alert log page: the newest entries first, as many as the log viewer setting shows, and the
// commands to show more or clear the log.
import QtQuick
import "../common"

Item {
    id: logPage
    property Item movie
    property var rowsModel
    property alias list: logRows
    // The newest rows the view shows (the log viewer setting).
    readonly property int shown: Math.min(logPage.rowsModel.count, movie.logLimit)
    readonly property int rowHeight: 44

    PageTitle {
        id: logTitle
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        text: movie.say("alertLog")
        note: logPage.rowsModel.count > logPage.shown
              ? movie.say("showingLatest", logPage.shown).replace("%2", logPage.rowsModel.count)
              : movie.say("entries", logPage.rowsModel.count)
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
            ActionButton {
                pill: true
                text: modelData === 10000 ? movie.say("all") : String(modelData)
                height: 22
                tone: Theme.accent
                outline: movie.logLimit !== modelData
                onClicked: movie.send("IDC_FS_LogViewerStepper", modelData)
            }
        }
    }
    ActionButton {
        pill: true
        anchors.right: parent.right
        anchors.verticalCenter: logTools.verticalCenter
        text: movie.say("clearLog")
        tone: Theme.block
        outline: true
        enabled: logPage.rowsModel.count > 0
        onClicked: movie.confirm(movie.say("confirmLog", logPage.rowsModel.count), movie.say("clearLog"),
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
            visible: logPage.rowsModel.count === 0
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
            model: logPage.rowsModel
            verticalLayoutDirection: ListView.BottomToTop
            bottomMargin: -(logPage.rowsModel.count - logPage.shown) * logPage.rowHeight
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
                color: current ? Theme.rowSelected : (index % 2 ? Theme.row : Theme.card)
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
