import QtQuick
import QtQuick.Controls.Basic
import Vidlet 1.0

// A quiet scroll bar: present only while the view can scroll; the thumb widens under the pointer.
ScrollBar {
    id: bar
    property color thumbColor: Theme.hair
    property color pressedColor: Theme.muted
    property Flickable view: null

    readonly property bool needed: view !== null && view.contentHeight > view.height + 1
    visible: needed
    policy: needed ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
    padding: 0
    background: Item {}
    contentItem: Item {
        implicitWidth: bar.width
        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            height: parent.height
            width: bar.hovered || bar.pressed ? 6 : 4
            radius: width / 2
            color: bar.pressed ? bar.pressedColor : bar.thumbColor
            Behavior on width { NumberAnimation { duration: 120 } }
            Behavior on color { ColorAnimation { duration: 120 } }
        }
    }
}
