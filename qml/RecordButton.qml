import QtQuick
import Vidlet 1.0

// Starts and stops recording. Starting needs a flowing feed; stopping is always possible.
Rectangle {
    id: button
    objectName: "recordButton"
    // The running recording's length, shown in place of the label.
    required property string clock
    readonly property bool inSight: Window.visibility !== Window.Minimized
                                    && Window.visibility !== Window.Hidden

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
            color: app.recording ? Theme.onColour : Theme.red
            Pulse {
                objectName: "recordPulse"
                target: mark
                low: 0.35
                halfMs: 700
                running: app.recording && button.inSight
            }
        }
        Text {
            objectName: "recordLabel"
            anchors.verticalCenter: parent.verticalCenter
            text: !app.recording ? qsTranslate("Main", "Record")
                  : app.recordingWaitsForKeyframe ? qsTranslate("Main", "Waiting for a key frame")
                  : button.clock
            font.pixelSize: 13
            font.weight: Font.DemiBold
            color: app.recording ? Theme.onColour : Theme.textc
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
