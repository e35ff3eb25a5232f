import QtQuick
import QtQuick.Effects
import Vidlet 1.0

// A rounded rectangle with a soft drop shadow, drawn by Qt's shadow effect (Qt 6.5 and newer).
Item {
    id: root
    property real radius: 0
    property color fillColor: "white"
    property color shadowColor: Theme.shadow
    property real blur: 0.7
    property real offsetY: 3

    Rectangle {
        id: shape
        anchors.fill: parent
        radius: root.radius
        color: root.fillColor
        visible: false
    }
    MultiEffect {
        anchors.fill: shape
        source: shape
        shadowEnabled: true
        shadowColor: root.shadowColor
        shadowBlur: root.blur
        shadowVerticalOffset: root.offsetY
        autoPaddingEnabled: true
    }
}
