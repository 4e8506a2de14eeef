// A page taller than its room: its column scrolls, a thin bar shows where it is, and the focused
// control is kept in sight.
import QtQuick
import "../common"

Item {
    id: page
    default property alias content: column.data
    readonly property real columnWidth: column.width

    Flickable {
        id: flick
        anchors.fill: parent
        contentHeight: column.height
        clip: true
        boundsBehavior: Flickable.StopAtBounds

        Column {
            id: column
            width: flick.width - 8
            spacing: 6
        }
    }

    Rectangle {
        anchors.right: flick.right
        width: 4
        radius: 2
        color: Theme.track
        visible: flick.visible && flick.visibleArea.heightRatio < 1
        y: flick.y + flick.visibleArea.yPosition * flick.height
        height: flick.visibleArea.heightRatio * flick.height
    }

    readonly property Item focusedItem: Window.activeFocusItem
    onFocusedItemChanged: {
        if (!flick.visible || !focusedItem)
            return
        var top = focusedItem.mapToItem(flick.contentItem, 0, 0).y
        if (top < 0 || top > flick.contentHeight)
            return
        var bottom = top + focusedItem.height
        if (top < flick.contentY)
            flick.contentY = Math.max(0, top - 6)
        else if (bottom > flick.contentY + flick.height)
            flick.contentY = Math.min(flick.contentHeight - flick.height, bottom - flick.height + 6)
    }
}
