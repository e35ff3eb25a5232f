import QtQuick
import Vidlet 1.0

// An on/off switch; the owner flips the bound value in `toggled`.
Rectangle {
    id: toggle
    property bool checked: false
    signal toggled()

    width: 44
    height: 26
    radius: 13
    color: checked ? Theme.accent : Theme.hair
    Behavior on color { ColorAnimation { duration: 120 } }

    Rectangle {
        width: 20
        height: 20
        radius: 10
        color: Theme.paper
        anchors.verticalCenter: parent.verticalCenter
        x: toggle.checked ? 44 - 20 - 3 : 3
        Behavior on x { NumberAnimation { duration: 120; easing.type: Easing.OutCubic } }
    }
    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: toggle.toggled()
    }
}
