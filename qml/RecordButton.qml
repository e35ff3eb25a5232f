import QtQuick
import Vidlet 1.0

// Starts and stops recording. Starting needs a flowing feed; stopping is always possible.
Rectangle {
    id: button
    objectName: "recordButton"
    property var host

    enabled: app.recording || (app.live && app.outputEnabled)
    opacity: enabled ? 1 : 0.45
    height: 34
    radius: Theme.rControl
    width: content.implicitWidth + 26
    color: app.recording ? Theme.red : area.containsMouse ? Theme.raisedHover : Theme.raised
    border.width: app.recording ? 0 : 1
    border.color: Theme.hair

    Row {
        id: content
        anchors.centerIn: parent
        spacing: 7
        Rectangle {
            id: mark
            anchors.verticalCenter: parent.verticalCenter
            width: 9
            height: 9
            radius: app.recording ? 2 : 4.5
            color: app.recording ? "#ffffff" : Theme.red
            SequentialAnimation on opacity {
                loops: Animation.Infinite
                running: app.recording
                NumberAnimation { from: 1.0; to: 0.35; duration: 700; easing.type: Easing.InOutQuad }
                NumberAnimation { from: 0.35; to: 1.0; duration: 700; easing.type: Easing.InOutQuad }
                onRunningChanged: if (!running) mark.opacity = 1
            }
        }
        Text {
            objectName: "recordLabel"
            anchors.verticalCenter: parent.verticalCenter
            text: app.recording ? button.host.recClock : qsTranslate("Main", "Record")
            font.pixelSize: 13
            font.weight: Font.DemiBold
            color: app.recording ? "#ffffff" : Theme.textc
        }
    }
    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: app.toggleRecording()
    }
}
