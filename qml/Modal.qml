import QtQuick
import QtQuick.Controls.Basic
import Vidlet 1.0

// Shell of every overlay: dimmed backdrop, a centred panel with a title and a close button,
// and a scrolling body column that receives the modal's children.
Item {
    id: root
    default property alias content: bodyColumn.data
    // The window card's corner radius, which the dimmed backdrop follows.
    property int backdropRadius: Theme.rCard
    property bool shown: false
    property string title: ""
    property int panelWidth: 360
    property int panelMaxHeight: 620
    property int bodySpacing: 18

    function open() { shown = true }
    function close() { shown = false }

    anchors.fill: parent
    z: 200
    opacity: shown ? 1 : 0
    visible: opacity > 0.001
    Behavior on opacity { NumberAnimation { duration: 130; easing.type: Easing.OutCubic } }

    Shortcut {
        sequence: "Escape"
        enabled: root.visible
        onActivated: root.close()
    }

    Rectangle {
        id: backdrop
        anchors.fill: parent
        color: Theme.backdrop
        // Rounded like the window card so the dimming does not poke out past its corners.
        radius: root.backdropRadius
        MouseArea {
            anchors.fill: parent
            hoverEnabled: true
            acceptedButtons: Qt.LeftButton | Qt.RightButton
            cursorShape: Qt.ArrowCursor
            onClicked: root.close()
        }
    }

    Rectangle {
        id: panel
        objectName: "modalPanel"
        readonly property int pad: 20
        readonly property int headerH: 24
        readonly property int gap: root.title !== "" ? 12 : 4
        anchors.centerIn: parent
        width: root.panelWidth
        height: Math.min(2 * pad + headerH + gap + bodyColumn.implicitHeight,
                         Math.max(160, root.height - 48), root.panelMaxHeight)
        radius: 14
        color: Theme.surface
        border.width: 1
        border.color: Theme.hair
        scale: root.shown ? 1 : 0.96
        Behavior on scale { NumberAnimation { duration: 130; easing.type: Easing.OutCubic } }

        // A press on the bare panel takes focus from any text field, as in a browser,
        // and never closes the modal.
        MouseArea {
            anchors.fill: parent
            acceptedButtons: Qt.LeftButton | Qt.RightButton
            onPressed: panel.forceActiveFocus()
        }

        Text {
            x: panel.pad
            y: panel.pad
            height: panel.headerH
            width: panel.width - 2 * panel.pad - 30
            verticalAlignment: Text.AlignVCenter
            visible: root.title !== ""
            text: root.title
            elide: Text.ElideRight
            font.pixelSize: 17
            font.weight: Font.DemiBold
            color: Theme.textc
        }

        Rectangle {
            id: closeButton
            objectName: "modalClose"
            width: 26
            height: 26
            radius: 7
            x: panel.width - panel.pad - width
            y: panel.pad - 1
            color: closeArea.containsMouse ? Theme.raised : "transparent"
            Repeater {
                model: [45, -45]
                Rectangle {
                    anchors.centerIn: parent
                    width: 12
                    height: 1
                    rotation: modelData
                    antialiasing: true
                    color: Theme.muted
                }
            }
            MouseArea {
                id: closeArea
                anchors.fill: parent
                hoverEnabled: true
                cursorShape: Qt.PointingHandCursor
                onClicked: root.close()
            }
        }

        Flickable {
            id: body
            objectName: "modalBody"
            x: panel.pad
            y: panel.pad + panel.headerH + panel.gap
            width: panel.width - panel.pad - (panel.pad - 14)
            height: panel.height - y - panel.pad
            clip: true
            contentWidth: width
            contentHeight: bodyColumn.implicitHeight
            interactive: contentHeight > height + 1
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ThinScrollBar {
                width: 10
                view: body
                thumbColor: Theme.hair
                pressedColor: Theme.muted
            }

            Column {
                id: bodyColumn
                width: body.width - 14
                spacing: root.bodySpacing
            }
        }
    }
}
