import QtQuick
import Vidlet 1.0

// The push button of the whole window: four variants over the same Theme tokens.
Item {
    id: root
    property string text: ""
    property string variant: "neutral"
    property int size: Theme.btnH
    property int minWidth: 0
    signal clicked()

    readonly property bool hovered: area.containsMouse && enabled

    // Outline and danger rest on their hover colour at alpha 0, never on plain transparent
    // (transparent black), so the fade does not pass through a dark tint.
    readonly property color hoverFill: variant === "primary" ? Qt.darker(Theme.accent, 1.12)
                                     : variant === "outline" ? Theme.accent
                                     : variant === "danger" ? Qt.darker(Theme.red, 1.1)
                                     : Theme.raisedHover
    readonly property color restFill: variant === "primary" ? Theme.accent
                                    : variant === "outline" ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0)
                                    : variant === "danger" ? Qt.rgba(Theme.red.r, Theme.red.g, Theme.red.b, 0)
                                    : Theme.raised

    implicitHeight: size
    implicitWidth: Math.max(minWidth, label.implicitWidth + 2 * Theme.btnPadX)
    opacity: enabled ? 1 : 0.45

    Rectangle {
        id: bgRect
        anchors.fill: parent
        radius: Theme.rControl
        color: root.hovered ? root.hoverFill : root.restFill
        border.width: root.variant === "primary" ? 0 : 1
        border.color: root.variant === "outline" ? Theme.accent
                    : root.variant === "danger" ? Theme.red : Theme.hair
        Behavior on color { ColorAnimation { duration: 90 } }
    }

    Text {
        id: label
        anchors.centerIn: parent
        text: root.text
        font.pixelSize: Theme.fsBody
        font.weight: Font.DemiBold
        color: root.variant === "primary" ? Theme.accentInk
             : root.variant === "outline" ? (root.hovered ? Theme.accentInk : Theme.accent)
             : root.variant === "danger" ? (root.hovered ? Theme.onVideoText : Theme.red)
             : Theme.textc
    }

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        // A disabled Item already gets no mouse events; the cursor shows why nothing happens.
        cursorShape: root.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
        onClicked: root.clicked()
    }
}
