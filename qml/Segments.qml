import QtQuick
import Vidlet 1.0

// One choice among a few, side by side: the theme, a recording's quality, the camera's shape.
// Unselected thumbs are the accent at alpha 0, so the fade never passes through a dark tint.
Rectangle {
    id: segments
    property list<string> labels
    property int current: 0
    // Each segment's mouse area is named this, "_" and its index, for the tests.
    property string segmentName
    signal picked(int index)

    width: parent.width
    height: 36
    radius: Theme.rControl
    color: Theme.track
    border.width: 1
    border.color: Theme.hair
    clip: true
    Row {
        anchors.fill: parent
        Repeater {
            model: segments.labels
            Item {
                required property int index
                required property string modelData
                readonly property bool selected: segments.current === index
                width: parent.width / segments.labels.length
                height: parent.height
                Rectangle {
                    anchors.fill: parent
                    anchors.margins: 3
                    radius: Theme.rChip
                    color: parent.selected ? Theme.accent
                                           : Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0)
                    Behavior on color { ColorAnimation { duration: 130 } }
                }
                Text {
                    anchors.centerIn: parent
                    width: parent.width - 12
                    horizontalAlignment: Text.AlignHCenter
                    elide: Text.ElideRight
                    text: parent.modelData
                    font.pixelSize: Theme.fsBody
                    font.weight: parent.selected ? Font.DemiBold : Font.Normal
                    color: parent.selected ? Theme.accentInk : Theme.muted
                }
                MouseArea {
                    objectName: segments.segmentName + "_" + parent.index
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                    onClicked: segments.picked(parent.index)
                }
            }
        }
    }
}
