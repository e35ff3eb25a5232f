import QtQuick
import QtQuick.Controls.Basic
import Vidlet 1.0

// A phone in the rail: click to make it the camera, double-click or the pencil to rename it; the
// card of a phone that is away offers to forget it.
Rectangle {
    id: card
    objectName: offline ? "offlineCard_" + entry.deviceId : "phoneCard_" + entry.id
    // A phone of the roster: {id, deviceId, name, model, os, usb}; id is negative when offline.
    required property var entry
    required property RenameSession renames
    property bool editing: false
    // A known phone that is not connected: shown in its place, but nothing to choose or rename.
    readonly property bool offline: entry.id < 0
    readonly property bool active: !offline && entry.id === app.activeId
    readonly property string deviceLine: {
        if (offline)
            return qsTranslate("Main", "Offline")
        let s = entry.model ? entry.model : entry.os ? entry.os : ""
        if (entry.usb)
            s = s ? s + " · USB" : "USB"
        return s
    }

    // Editing one card at a time: opening a second editor commits the first.
    function beginRename() {
        renames.begin(card)
        editor.text = entry.name
        editing = true
        editor.forceActiveFocus()
        editor.selectAll()
    }
    function commitRename() {
        if (!editing)
            return
        editing = false
        renames.end(card)
        app.renamePhone(entry.id, editor.text)
    }
    function cancelRename() {
        editing = false
        renames.end(card)
    }
    // The rail makes its cards anew when a phone comes or goes: the edit is committed, not lost.
    Component.onDestruction: {
        if (!editing)
            return
        editing = false
        renames.end(card)
        renames.commitLater(entry.id, editor.text)
    }
    Connections {
        target: card.renames
        function onCommitRequested(editing: Item) {
            if (editing === card)
                card.commitRename()
        }
    }

    width: 116
    height: 118
    radius: 12
    opacity: offline ? 0.55 : 1
    color: active ? Theme.accentSoft : Theme.raised
    border.width: active ? 2 : 1
    border.color: active ? Theme.accent : Theme.hair

    HoverHandler { id: hover }

    MouseArea {
        anchors.fill: parent
        enabled: !card.editing && !card.offline
        cursorShape: Qt.PointingHandCursor
        onClicked: app.setActive(card.entry.id)
        onDoubleClicked: card.beginRename()
    }

    Column {
        anchors.fill: parent
        anchors.margins: 9
        spacing: 6

        Item {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 44
            height: 62
            Rectangle {
                anchors.fill: parent
                radius: 9
                color: "transparent"
                border.width: 2.5
                border.color: card.active ? Theme.accent : Theme.faint
            }
            Rectangle {
                anchors.fill: parent
                anchors.margins: 4.5
                radius: 6
                color: card.active ? Theme.accent : Theme.badge
            }
            Rectangle {
                anchors.horizontalCenter: parent.horizontalCenter
                y: 8
                width: 13
                height: 4
                radius: 2
                opacity: 0.85
                color: card.active ? Theme.accentInk : Theme.badgeInk
            }
        }

        Item {
            width: parent.width
            height: 18
            Text {
                objectName: "phoneName"
                anchors.fill: parent
                visible: !card.editing
                text: card.entry.name
                textFormat: Text.PlainText
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                font.pixelSize: 12
                font.weight: Font.DemiBold
                color: Theme.textc
            }
            Rectangle {
                anchors.fill: parent
                visible: card.editing
                radius: 4
                color: Theme.inputBg
                border.width: 1
                border.color: Theme.accent
                TextInput {
                    id: editor
                    objectName: "nameEditor"
                    anchors.fill: parent
                    anchors.leftMargin: 5
                    anchors.rightMargin: 5
                    horizontalAlignment: TextInput.AlignHCenter
                    verticalAlignment: TextInput.AlignVCenter
                    maximumLength: 40
                    selectByMouse: true
                    clip: true
                    font.pixelSize: 12
                    font.weight: Font.DemiBold
                    color: Theme.textc
                    selectionColor: Theme.accent
                    selectedTextColor: Theme.accentInk
                    onAccepted: card.commitRename()
                    Keys.onEscapePressed: card.cancelRename()
                    onActiveFocusChanged: if (!activeFocus && card.editing) card.commitRename()
                    MouseArea {
                        anchors.fill: parent
                        acceptedButtons: Qt.RightButton
                        cursorShape: Qt.IBeamCursor
                        onPressed: (mouse) => {
                            const p = mapToItem(null, mouse.x, mouse.y)
                            card.renames.editMenu.openFor(editor, p.x, p.y)
                        }
                    }
                }
            }
        }

        Text {
            objectName: "deviceLine"
            width: parent.width
            visible: card.deviceLine !== ""
            text: card.deviceLine
            textFormat: Text.PlainText
            horizontalAlignment: Text.AlignHCenter
            elide: Text.ElideRight
            font.pixelSize: 10
            color: Theme.muted
        }
    }

    Rectangle {
        objectName: "liveBadge"
        visible: card.active
        anchors.top: parent.top
        anchors.right: parent.right
        anchors.margins: 7
        height: 16
        radius: 5
        width: badgeRow.implicitWidth + 14
        color: Theme.cardChip
        border.width: 1
        border.color: Theme.cardChipEdge
        Row {
            id: badgeRow
            anchors.centerIn: parent
            spacing: 4
            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: 5
                height: 5
                radius: 2.5
                color: Theme.accent
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: "LIVE"
                font.pixelSize: 8
                font.weight: Font.DemiBold
                color: Theme.onColour
            }
        }
    }

    // A phone that is away can be forgotten: its card goes, and it pairs again only by the code.
    Rectangle {
        objectName: "forgetChip"
        visible: hover.hovered && card.offline
        anchors.top: parent.top
        anchors.right: parent.right
        anchors.margins: 7
        width: 20
        height: 18
        radius: 5
        color: forgetArea.containsMouse ? Theme.red : Theme.cardChip
        Behavior on color { ColorAnimation { duration: 100 } }
        Text {
            anchors.centerIn: parent
            text: "✕"
            font.pixelSize: 10
            color: Theme.onColour
        }
        MouseArea {
            id: forgetArea
            anchors.fill: parent
            hoverEnabled: true
            cursorShape: Qt.PointingHandCursor
            onClicked: app.forgetPhone(card.entry.deviceId)
        }
        ToolTip {
            visible: forgetArea.containsMouse
            delay: 400
            text: qsTranslate("Main", "Forget this phone")
        }
    }

    Rectangle {
        objectName: "pencilChip"
        visible: hover.hovered && !card.editing && !card.offline
        x: 7
        y: 7
        width: 20
        height: 18
        radius: 5
        color: pencilArea.containsMouse ? Theme.accent : Theme.cardChip
        Behavior on color { ColorAnimation { duration: 100 } }
        border.width: 1
        border.color: Theme.cardChipEdge
        // A pencil along the 45 degree diagonal: a 3.6 px body and a pointed tip.
        Item {
            anchors.centerIn: parent
            width: 12
            height: 12
            rotation: 45
            Rectangle { x: 4.2; y: -1; width: 3.6; height: 9; radius: 0.8; color: Theme.onColour }
            Canvas {
                x: 4.2
                y: 8.6
                width: 3.6
                height: 3.4
                onPaint: {
                    const ctx = getContext("2d")
                    ctx.reset()
                    ctx.fillStyle = Theme.onColour
                    ctx.beginPath()
                    ctx.moveTo(0, 0)
                    ctx.lineTo(3.6, 0)
                    ctx.lineTo(1.8, 3.4)
                    ctx.closePath()
                    ctx.fill()
                }
            }
        }
        MouseArea {
            id: pencilArea
            anchors.fill: parent
            hoverEnabled: true
            cursorShape: Qt.PointingHandCursor
            onClicked: card.beginRename()
        }
    }
}
