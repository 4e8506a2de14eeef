// A white panel with a border.
import QtQuick

Rectangle {
    radius: Theme.radius
    color: Theme.card
    border.color: Theme.border
}
