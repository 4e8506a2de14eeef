// The small heading above a group of settings.
import QtQuick

Text {
    topPadding: 4
    color: Theme.muted
    font.family: Theme.fontFamily
    font.pixelSize: Theme.tinySize
    font.bold: true
    font.capitalization: Font.AllUppercase
    font.letterSpacing: 0.6
}
