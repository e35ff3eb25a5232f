import QtQuick

// Eight invisible grips along the card's edges and corners that start a system resize.
Item {
    id: grips
    // How far into the card a grip reaches.
    property int t: 6
    signal resizeRequested(int edges)

    Repeater {
        model: [
            { e: Qt.LeftEdge, cur: Qt.SizeHorCursor, x: 0, y: 1, w: 0, h: 1 },
            { e: Qt.RightEdge, cur: Qt.SizeHorCursor, x: 2, y: 1, w: 0, h: 1 },
            { e: Qt.TopEdge, cur: Qt.SizeVerCursor, x: 1, y: 0, w: 1, h: 0 },
            { e: Qt.BottomEdge, cur: Qt.SizeVerCursor, x: 1, y: 2, w: 1, h: 0 },
            { e: Qt.TopEdge | Qt.LeftEdge, cur: Qt.SizeFDiagCursor, x: 0, y: 0, w: 0, h: 0 },
            { e: Qt.BottomEdge | Qt.RightEdge, cur: Qt.SizeFDiagCursor, x: 2, y: 2, w: 0, h: 0 },
            { e: Qt.TopEdge | Qt.RightEdge, cur: Qt.SizeBDiagCursor, x: 2, y: 0, w: 0, h: 0 },
            { e: Qt.BottomEdge | Qt.LeftEdge, cur: Qt.SizeBDiagCursor, x: 0, y: 2, w: 0, h: 0 }
        ]
        // x/y: 0 start, 1 after the corner, 2 at the far edge; w/h: 0 grip thickness, 1 span.
        MouseArea {
            x: modelData.x === 0 ? 0 : modelData.x === 1 ? grips.t : grips.width - grips.t
            y: modelData.y === 0 ? 0 : modelData.y === 1 ? grips.t : grips.height - grips.t
            width: modelData.w === 1 ? grips.width - 2 * grips.t : grips.t
            height: modelData.h === 1 ? grips.height - 2 * grips.t : grips.t
            cursorShape: modelData.cur
            onPressed: grips.resizeRequested(modelData.e)
        }
    }
}
