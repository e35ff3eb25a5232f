import QtQuick
import Vidlet 1.0

// A 42 x 30 title-bar button; its glyph is given as children, centred.
Rectangle {
    id: root
    default property alias glyph: holder.data
    property color hoverFill: Theme.surface
    readonly property bool hovered: area.containsMouse
    signal clicked()

    width: 42
    height: 30
    radius: 7
    color: hovered ? hoverFill : "transparent"

    Item {
        id: holder
        anchors.centerIn: parent
        width: childrenRect.width
        height: childrenRect.height
    }
    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        onClicked: root.clicked()
    }
}
