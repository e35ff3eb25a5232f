import QtQuick
import Vidlet 1.0

// A rounded rectangle with a soft drop shadow. Qt 6.4 has no QtQuick.Effects, so the shadow
// is drawn by hand: rings that grow outwards with falling opacity approximate the effect's
// gaussian blur (blur 1.0 spreads about 32 px, as the effect's default blurMax does).
Item {
    id: root
    property real radius: 0
    property color fillColor: "white"
    property color shadowColor: Theme.shadow
    property real blur: 0.7
    property real offsetY: 3

    readonly property int rings: 8
    readonly property real spread: 32 * blur * 0.5

    Repeater {
        model: root.rings
        Rectangle {
            readonly property real grow: root.spread * (index + 1) / root.rings
            x: -grow
            y: -grow + root.offsetY
            width: root.width + 2 * grow
            height: root.height + 2 * grow
            radius: root.radius + grow
            // Each ring adds a slice of the shadow's alpha; the inner rings overlap the most.
            color: Qt.rgba(root.shadowColor.r, root.shadowColor.g, root.shadowColor.b,
                           root.shadowColor.a * 2.2 / (root.rings * (1 + index * 0.6)))
        }
    }
    Rectangle {
        anchors.fill: parent
        radius: root.radius
        color: root.fillColor
    }
}
