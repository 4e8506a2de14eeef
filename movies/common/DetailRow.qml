// One "name: value" line of a details list; long values are cut with an ellipsis.
import QtQuick

Row {
    id: row
    property string name: ""
    property string value: ""
    property int nameWidth: 80

    spacing: 6
    visible: value.length > 0

    Text {
        width: row.nameWidth
        text: row.name
        color: Theme.muted
        font.family: Theme.fontFamily
        font.pixelSize: Theme.smallSize
        elide: Text.ElideRight
    }
    Text {
        width: row.width - row.nameWidth - row.spacing
        text: row.value
        color: Theme.text
        font.family: Theme.fontFamily
        font.pixelSize: Theme.smallSize
        elide: Text.ElideMiddle
    }
}
