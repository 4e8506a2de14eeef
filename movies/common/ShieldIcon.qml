// The product's shield mark, drawn at any size; `mark` chooses the sign inside it.
import QtQuick

Canvas {
    id: shield
    // "check" (protected), "alert" (phishing found), "lock" (password) or "none"
    property string mark: "check"
    property color fill: Theme.accent
    property color fillDark: Theme.accentDark
    property color markColor: "#FFFFFF"

    implicitWidth: 28
    implicitHeight: 32
    antialiasing: true

    onMarkChanged: requestPaint()
    onFillChanged: requestPaint()
    onWidthChanged: requestPaint()
    onHeightChanged: requestPaint()

    onPaint: {
        var ctx = getContext("2d")
        var w = width, h = height
        ctx.reset()
        ctx.beginPath()
        ctx.moveTo(w * 0.5, 0)
        ctx.lineTo(w, h * 0.16)
        ctx.lineTo(w, h * 0.46)
        ctx.bezierCurveTo(w, h * 0.76, w * 0.72, h * 0.9, w * 0.5, h)
        ctx.bezierCurveTo(w * 0.28, h * 0.9, 0, h * 0.76, 0, h * 0.46)
        ctx.lineTo(0, h * 0.16)
        ctx.closePath()
        var gradient = ctx.createLinearGradient(0, 0, w, h)
        gradient.addColorStop(0, shield.fill)
        gradient.addColorStop(1, shield.fillDark)
        ctx.fillStyle = gradient
        ctx.fill()

        ctx.strokeStyle = shield.markColor
        ctx.fillStyle = shield.markColor
        ctx.lineCap = "round"
        ctx.lineJoin = "round"
        ctx.lineWidth = Math.max(2, w * 0.11)
        if (mark === "check") {
            ctx.beginPath()
            ctx.moveTo(w * 0.28, h * 0.5)
            ctx.lineTo(w * 0.45, h * 0.66)
            ctx.lineTo(w * 0.74, h * 0.34)
            ctx.stroke()
        } else if (mark === "alert") {
            ctx.beginPath()
            ctx.moveTo(w * 0.5, h * 0.24)
            ctx.lineTo(w * 0.5, h * 0.56)
            ctx.stroke()
            ctx.beginPath()
            ctx.arc(w * 0.5, h * 0.72, Math.max(1.5, w * 0.065), 0, 2 * Math.PI)
            ctx.fill()
        } else if (mark === "lock") {
            ctx.lineWidth = Math.max(1.5, w * 0.08)
            ctx.beginPath()
            ctx.arc(w * 0.5, h * 0.42, w * 0.13, Math.PI, 0)
            ctx.stroke()
            ctx.fillRect(w * 0.3, h * 0.44, w * 0.4, h * 0.28)
        }
    }
}
