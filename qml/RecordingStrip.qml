import QtQuick
import QtQuick.Controls.Basic
import Vidlet 1.0

// Under the title bar: where a recording goes while it runs, and where it went once it stopped,
// whatever stopped it (the Record button, the phones leaving, a new stream size, an error); or
// that it could not start. A notice stays until it is dismissed or the next recording starts.
// Otherwise, soon after a quit, it says that the Vidlet which quit still saves its recordings,
// until they are saved.
Rectangle {
    id: strip
    objectName: "recordingStrip"
    readonly property bool recording: app.recording
    property string savedPath: ""
    property bool refused: false // the last start failed
    readonly property bool completing: app.recordingsBeingCompleted > 0 && !recording
        && savedPath === "" && !refused
    readonly property string fileName: savedPath.substring(savedPath.lastIndexOf("/") + 1)
    readonly property string fullPath: recording || refused || completing ? app.recordingFolder
        : savedPath

    onRecordingChanged: {
        savedPath = recording ? "" : app.lastRecordingPath
        refused = false
    }
    Connections {
        target: app
        function onRecordingRefused() {
            strip.savedPath = ""
            strip.refused = true
        }
    }

    height: recording || savedPath !== "" || refused || completing ? 34 : 0
    visible: height > 0
    clip: true
    color: Theme.raised

    Rectangle {
        id: dot
        x: 14
        anchors.verticalCenter: parent.verticalCenter
        width: 8
        height: 8
        radius: 4
        color: strip.recording ? Theme.red
            : strip.refused || app.recordingFailure !== 0 ? Theme.amber : Theme.accent
    }
    Text {
        objectName: "recordingNotice"
        anchors.left: dot.right
        anchors.leftMargin: 8
        anchors.right: actions.left
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        // A recording that stopped by itself says why; what it wrote up to then is kept.
        text: strip.recording && app.recordingDropped > 0
                ? qsTranslate("Main", "Recording to %1. The disk cannot keep up: %2 frames left out").arg(app.recordingFolder).arg(app.recordingDropped)
            : strip.recording ? qsTranslate("Main", "Recording to %1").arg(app.recordingFolder)
            : strip.refused
                ? qsTranslate("Main", "Recording could not start: %1 cannot be written").arg(app.recordingFolder)
            : strip.completing
                ? qsTranslate("Main", "The Vidlet that quit is still saving its recordings in %1").arg(app.recordingFolder)
            : app.recordingFailure === 1
                ? qsTranslate("Main", "Recording stopped: the disk is full or cannot be written. Saved: %1").arg(strip.fileName)
            : app.recordingFailure === 2
                ? qsTranslate("Main", "Recording stopped: its file or folder was deleted")
            : app.recordingFailure === 3
                ? qsTranslate("Main", "Recording stopped: the phone's picture changed size. Saved: %1").arg(strip.fileName)
            : app.recordingFailure === 4
                ? qsTranslate("Main", "The disk filled while the recording was completed: it is kept as recorded and plays. Saved: %1").arg(strip.fileName)
            : qsTranslate("Main", "Recording saved: %1").arg(strip.fileName)
        // The sentence's start and the path's end stay readable; the whole path is on hover.
        elide: Text.ElideMiddle
        font.pixelSize: 12
        color: Theme.textc
        MouseArea {
            id: noticeArea
            anchors.fill: parent
            hoverEnabled: true
        }
        ToolTip {
            objectName: "recordingTip"
            visible: noticeArea.containsMouse
            delay: 400
            text: strip.fullPath
        }
    }
    Row {
        id: actions
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        spacing: 12
        visible: !strip.recording && !strip.completing
        width: visible ? implicitWidth : 0
        AppButton {
            objectName: "showRecording"
            anchors.verticalCenter: parent.verticalCenter
            size: 24
            variant: "primary"
            visible: !strip.refused
            text: qsTranslate("Main", "Show")
            onClicked: app.showLastRecording()
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: "✕"
            font.pixelSize: 12
            color: dismissArea.containsMouse ? Theme.textc : Theme.muted
            MouseArea {
                id: dismissArea
                objectName: "recordingDismiss"
                anchors.fill: parent
                anchors.margins: -6
                hoverEnabled: true
                cursorShape: Qt.PointingHandCursor
                onClicked: {
                    strip.savedPath = ""
                    strip.refused = false
                }
            }
        }
    }
    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: Theme.hair
    }
}
