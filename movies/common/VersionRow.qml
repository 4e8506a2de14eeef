// A "name: value" line that shows a dash for an empty value.
import QtQuick

DetailRow {
    property string text: ""
    value: text.length > 0 ? text : "\u2014"
    nameWidth: 90
}
