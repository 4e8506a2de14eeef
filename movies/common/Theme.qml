// The movies' palette, type sizes and spacing: one place for the look of every window.
pragma Singleton
import QtQuick

QtObject {
    // Surfaces
    readonly property color header: "#0B1D38"
    readonly property color headerTop: "#132B52"
    readonly property color headerText: "#FFFFFF"
    readonly property color headerMuted: "#9FB3D1"
    readonly property color body: "#F4F6FA"
    readonly property color card: "#FFFFFF"
    readonly property color border: "#D5DCE6"
    readonly property color divider: "#E4E9F0"

    // Text
    readonly property color text: "#18212E"
    readonly property color muted: "#5C6B80"
    readonly property color faint: "#8795A8"

    // Accents
    readonly property color accent: "#2D6CDF"
    readonly property color accentDark: "#1F55B8"
    readonly property color allow: "#1C9A5B"
    readonly property color allowDark: "#157A48"
    readonly property color block: "#D43C3C"
    readonly property color blockDark: "#B02E2E"
    readonly property color warning: "#E8A317"
    readonly property color info: "#2D8FDF"
    readonly property color focus: "#F2B33D"
    readonly property color danger: "#FDECEC"
    readonly property color dangerBorder: "#F3C1C1"
    readonly property color dangerCard: "#FFFBFB"
    readonly property color warningDark: "#C2850C"
    readonly property color safe: "#E6F5EC"
    readonly property color safeBorder: "#B7E0C8"
    readonly property color caution: "#FDF3E1"
    readonly property color cautionBorder: "#F1D9A6"
    readonly property color onColour: "#FFFFFF"     // text and marks on a filled colour

    // The main window: navigation, lists and panels
    readonly property color navigation: "#E9EEF5"
    readonly property color navigationHover: "#DFE6F0"
    readonly property color navigationBadge: "#C9D3E1"
    readonly property color headerHover: "#2A4470"
    readonly property color hover: "#F0F3F8"        // an outlined button under the mouse
    readonly property color cardHover: "#FBFCFE"
    readonly property color panel: "#F9FAFC"        // the details of the selected row
    readonly property color row: "#FAFBFD"          // every other row of a list
    readonly property color rowSelected: "#E3ECFC"
    readonly property color badge: "#EEF2F8"
    readonly property color chip: "#E1E8F1"
    readonly property color chipHover: "#DCE4EF"
    readonly property color track: "#B8C2D0"        // a switch that is off, a scroll bar
    readonly property color shade: "#800B1D38"      // behind a confirmation

    // Type
    readonly property string fontFamily: "DejaVu Sans"
    readonly property int titleSize: 14
    readonly property int textSize: 12
    readonly property int smallSize: 11
    readonly property int tinySize: 10

    // Geometry
    readonly property int headerHeight: 36
    readonly property int margin: 12
    readonly property int spacing: 8
    readonly property int radius: 6
    readonly property int buttonHeight: 28
}
