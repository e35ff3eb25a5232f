import QtQuick
import Vidlet 1.0

// A label at the left and its value (the children) at the right of a 38 px status row.
Item {
    id: line
    property string label
    default property alias value: valueHolder.data

    width: parent ? parent.width : 0
    height: 38
    Text {
        x: 13
        anchors.verticalCenter: parent.verticalCenter
        text: line.label
        font.pixelSize: 12
        color: Theme.muted
    }
    Item {
        id: valueHolder
        anchors.right: parent.right
        anchors.rightMargin: 13
        anchors.verticalCenter: parent.verticalCenter
        width: childrenRect.width
        height: childrenRect.height
    }
}
