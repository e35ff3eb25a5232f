import QtQuick
import QtQuick.Shapes

// Rounds the corners of whatever lies below by painting the four outside-the-arc pieces in
// the colour around it. A mask through an effect layer would need a GPU and QtQuick.Effects;
// this draws the same outline with every scene-graph backend, including the software one.
Item {
    id: root
    property real radius: 12
    property color color: "black"

    Repeater {
        model: 4
        Shape {
            width: root.radius
            height: root.radius
            x: index === 1 || index === 2 ? root.width - width : 0
            y: index >= 2 ? root.height - height : 0
            rotation: index * 90
            antialiasing: true
            ShapePath {
                strokeWidth: -1
                fillColor: root.color
                startX: -0.5
                startY: -0.5
                PathLine { x: root.radius; y: -0.5 }
                PathLine { x: root.radius; y: 0 }
                PathArc { x: 0; y: root.radius; radiusX: root.radius; radiusY: root.radius
                          direction: PathArc.Counterclockwise }
                PathLine { x: -0.5; y: root.radius }
            }
        }
    }
}
