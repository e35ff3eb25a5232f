import QtQuick
import Vidlet 1.0

// The one right-click menu for the window's raw text inputs, which have no native menu.
// It never takes keyboard focus, so a field that commits on focus loss stays in editing.
Item {
    id: root
    property TextInput target: null

    function openFor(input, sceneX, sceneY) {
        target = input
        input.forceActiveFocus()
        const p = root.mapFromItem(null, sceneX, sceneY)
        panel.x = Math.max(4, Math.min(p.x, root.width - panel.width - 4))
        panel.y = Math.max(4, Math.min(p.y, root.height - panel.height - 4))
        visible = true
    }
    function close() { visible = false }
    function perform(action) {
        if (action === "cut")
            target.cut()
        else if (action === "copy")
            target.copy()
        else if (action === "paste")
            target.paste()
        else if (action === "selectAll")
            target.selectAll()
    }

    anchors.fill: parent
    z: 400
    visible: false

    function isActive(action) {
        if (!target)
            return false
        if (action === "cut")
            return target.selectedText.length > 0 && !target.readOnly
        if (action === "copy")
            return target.selectedText.length > 0
        if (action === "paste")
            return target.canPaste
        return target.text.length > 0
    }

    // Any press that does not land on an active row closes the menu and goes no further.
    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.AllButtons
        onPressed: root.close()
    }

    Shadow {
        anchors.fill: panel
        radius: panel.radius
        fillColor: panel.color
        shadowColor: Theme.menuShadow
        blur: 0.5
        offsetY: 3
    }

    Rectangle {
        id: panel
        objectName: "editMenuPanel"
        width: 176
        height: rowColumn.implicitHeight + 10
        radius: 7
        color: Theme.surface
        border.width: 1
        border.color: Theme.hair

        Column {
            id: rowColumn
            x: 5
            y: 5
            width: panel.width - 10
            Repeater {
                // A fixed list: the rows' activity follows the target through bindings, so a
                // row is never rebuilt while its own click is being handled.
                model: [
                    { label: qsTr("Cut"), hint: "Ctrl+X", action: "cut" },
                    { label: qsTr("Copy"), hint: "Ctrl+C", action: "copy" },
                    { label: qsTr("Paste"), hint: "Ctrl+V", action: "paste" },
                    { sep: true },
                    { label: qsTr("Select all"), hint: "Ctrl+A", action: "selectAll" }
                ]
                Item {
                    width: rowColumn.width
                    height: modelData.sep ? 7 : 26
                    Rectangle {
                        visible: !!modelData.sep
                        anchors.verticalCenter: parent.verticalCenter
                        width: parent.width
                        height: 1
                        color: Theme.hair
                    }
                    Rectangle {
                        visible: !modelData.sep
                        objectName: "editMenuRow_" + (modelData.hint || "")
                        property bool active: !modelData.sep && root.isActive(modelData.action)
                        anchors.fill: parent
                        radius: 5
                        readonly property color hoverColor: Theme.raised
                        color: active && rowArea.containsMouse ? hoverColor
                             : Qt.rgba(hoverColor.r, hoverColor.g, hoverColor.b, 0)
                        Behavior on color { ColorAnimation { duration: 80 } }
                        Text {
                            x: 9
                            anchors.verticalCenter: parent.verticalCenter
                            text: modelData.label || ""
                            font.pixelSize: 12
                            color: parent.active ? Theme.textc
                                                 : Theme.muted
                        }
                        Text {
                            anchors.right: parent.right
                            anchors.rightMargin: 9
                            anchors.verticalCenter: parent.verticalCenter
                            text: modelData.hint || ""
                            font.pixelSize: 10
                            color: Theme.muted
                        }
                        MouseArea {
                            id: rowArea
                            anchors.fill: parent
                            // Inactive rows let the press fall through to the closing catcher.
                            enabled: parent.active
                            hoverEnabled: true
                            cursorShape: Qt.PointingHandCursor
                            onClicked: {
                                root.perform(modelData.action)
                                root.close()
                            }
                        }
                    }
                }
            }
        }
    }
}
