import QtQuick
import QtQuick.Controls.Basic

// A quiet scroll bar: present only while the view can scroll; the thumb widens under the pointer.
ScrollBar {
    id: bar
    property color thumbColor: "#e0e6ee"
    property color pressedColor: "#5c6675"
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
