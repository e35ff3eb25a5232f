import QtQuick
import QtQuick.Controls.Basic
import Vidlet 1.0

// The virtual camera's registration, the recordings folder and the pairing code.
Column {
    id: tab
    signal folderPickRequested()

    width: parent ? parent.width : 0
    spacing: 18

    Column {
        width: parent.width
        spacing: 8
        SectionLabel { text: qsTranslate("Main", "CAMERA") }
        // With PipeWire the camera needs no registration; the loopback device is then only for
        // programs that open V4L2 devices themselves.
        SettingsRow {
            objectName: "pipewireRow"
            visible: app.pipewireCamera
            height: 44
            Row {
                x: 13
                anchors.verticalCenter: parent.verticalCenter
                spacing: 8
                Rectangle {
                    anchors.verticalCenter: parent.verticalCenter
                    width: 8
                    height: 8
                    radius: 4
                    color: Theme.accent
                }
                Text {
                    text: qsTranslate("Main", "Shared through PipeWire")
                    font.pixelSize: 13
                    font.weight: Font.DemiBold
                    color: Theme.textc
                }
            }
        }
        HelpText {
            visible: app.pipewireCamera
            text: qsTranslate("Main", "Programs that use PipeWire or the Camera portal find \"Vidlet Camera\" without registering it. Browsers need a switch for it: Chromium the flag \"PipeWire Camera support\", Firefox media.webrtc.camera.allow-pipewire.")
        }
        SettingsRow {
            height: 44
            Row {
                x: 13
                anchors.verticalCenter: parent.verticalCenter
                spacing: 8
                Rectangle {
                    anchors.verticalCenter: parent.verticalCenter
                    width: 8
                    height: 8
                    radius: 4
                    // Amber while registering is worth it: no PipeWire camera, or one that no
                    // program has read yet here.
                    color: app.cameraRegistered ? Theme.accent
                                                : app.pipewireCamera && app.pipewireReaderSeen
                                                  ? Theme.faint : Theme.amber
                }
                Text {
                    objectName: "registrationText"
                    text: app.pipewireCamera
                          ? (app.cameraRegistered ? qsTranslate("Main", "V4L2 device registered")
                                                  : qsTranslate("Main", "No V4L2 device"))
                          : (app.cameraRegistered ? qsTranslate("Main", "Registered")
                                                  : qsTranslate("Main", "Not registered"))
                    font.pixelSize: 13
                    font.weight: Font.DemiBold
                    color: Theme.textc
                }
            }
            AppButton {
                objectName: "registerButton"
                anchors.right: parent.right
                anchors.rightMargin: 6
                anchors.verticalCenter: parent.verticalCenter
                size: Theme.btnHsm
                variant: app.cameraRegistered ? "neutral" : "primary"
                text: app.cameraRegistered ? qsTranslate("Main", "Unregister")
                                           : qsTranslate("Main", "Register")
                onClicked: app.cameraRegistered ? app.unregisterCamera() : app.registerCamera()
            }
        }
        HelpText {
            objectName: "pipewireUnreadHelp"
            visible: app.pipewireCamera && !app.pipewireReaderSeen && !app.cameraRegistered
            text: qsTranslate("Main", "No program has read the camera through PipeWire here yet. If yours does not list \"Vidlet Camera\", register it.")
        }
        HelpText {
            text: app.pipewireCamera
                  ? qsTranslate("Main", "Other programs, and browsers without that switch, find the camera once it is registered. The device is the computer's: whoever is at its screen can read it. Asks for admin.")
                  : qsTranslate("Main", "Registering lets apps like Zoom, Teams and browsers see the Vidlet camera. Asks for admin.")
        }
        HelpText {
            objectName: "segmentCutHelp"
            visible: app.cameraSegmentCutShort
            text: qsTranslate("Main", "Another program cut the camera's shared memory short. Vidlet made it again; a program that showed no picture since may need to open the camera again.")
        }
        // Windows lists the camera to DirectShow programs only.
        HelpText {
            objectName: "cameraReachHelp"
            visible: Qt.platform.os === "windows"
            text: qsTranslate("Main", "The Windows Camera app and other programs that use only Media Foundation do not list it.")
        }
    }

    // What the camera sends of the phone's picture; the preview shows the same.
    Column {
        width: parent.width
        spacing: 8
        SectionLabel { text: qsTranslate("Main", "PICTURE") }
        Segments {
            objectName: "cameraSizeSegments"
            segmentName: "cameraSizeSegment"
            labels: [qsTranslate("Main", "Auto"), "1280 × 720", "1920 × 1080"]
            current: app.cameraSize
            onPicked: index => app.cameraSize = index
        }
        HelpText {
            text: qsTranslate("Main", "The camera's size. Auto takes the size the phone sends, turned with it; a fixed size stays the same whatever the phone does.")
        }
        Segments {
            objectName: "turnSegments"
            segmentName: "turnSegment"
            labels: ["0°", "90°", "180°", "270°"]
            current: app.quarterTurns
            onPicked: index => app.quarterTurns = index
        }
        HelpText {
            text: qsTranslate("Main", "Turns the phone's picture clockwise, for a phone whose picture arrives on its side.")
        }
        Segments {
            objectName: "fitSegments"
            segmentName: "fitSegment"
            labels: [qsTranslate("Main", "Whole picture"), qsTranslate("Main", "Fill")]
            current: app.filled ? 1 : 0
            onPicked: index => app.filled = index === 1
        }
        HelpText {
            text: qsTranslate("Main", "When the picture's shape differs from the camera's: the whole picture between black bars, or filling the camera with its edges cut off.")
        }
        SettingsRow {
            height: 44
            Text {
                x: 13
                anchors.verticalCenter: parent.verticalCenter
                text: qsTranslate("Main", "Mirror")
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: Theme.textc
            }
            ToggleSwitch {
                objectName: "mirrorToggle"
                anchors.right: parent.right
                anchors.rightMargin: 13
                anchors.verticalCenter: parent.verticalCenter
                checked: app.mirrored
                onToggled: app.mirrored = !app.mirrored
            }
        }
        HelpText {
            text: qsTranslate("Main", "Turns the phone's picture left for right, as a mirror does, for the camera, the preview and recordings.")
        }
    }

    Column {
        width: parent.width
        spacing: 8
        SectionLabel { text: qsTranslate("Main", "RECORDINGS") }
        SettingsRow {
            height: 44
            Text {
                objectName: "recordingFolder"
                x: 13
                anchors.verticalCenter: parent.verticalCenter
                width: folderButtons.x - 10 - x
                // The folder's own name, at the end, matters most; the whole path is on hover.
                elide: Text.ElideLeft
                text: app.recordingFolder
                font.pixelSize: 12
                color: Theme.textc
                MouseArea {
                    id: folderArea
                    anchors.fill: parent
                    hoverEnabled: true
                }
                ToolTip {
                    objectName: "recordingFolderTip"
                    visible: folderArea.containsMouse
                    delay: 400
                    text: app.recordingFolder
                }
            }
            Row {
                id: folderButtons
                anchors.right: parent.right
                anchors.rightMargin: 6
                anchors.verticalCenter: parent.verticalCenter
                spacing: 6
                AppButton {
                    size: Theme.btnHsm
                    text: qsTranslate("Main", "Open")
                    onClicked: app.openRecordingsFolder()
                }
                AppButton {
                    size: Theme.btnHsm
                    text: qsTranslate("Main", "Change")
                    onClicked: tab.folderPickRequested()
                }
            }
        }
        HelpText { text: qsTranslate("Main", "Where the Record button saves .mp4 files.") }
        Segments {
            objectName: "qualitySegments"
            segmentName: "qualitySegment"
            labels: app.originalRecordingAvailable
                    ? [qsTranslate("Main", "Standard"), qsTranslate("Main", "High"),
                       qsTranslate("Main", "Original")]
                    : [qsTranslate("Main", "Standard"), qsTranslate("Main", "High")]
            current: app.recordingQuality
            onPicked: index => app.recordingQuality = index
        }
        HelpText {
            text: qsTranslate("Main", "Standard: about 22 MB per minute. High: about 45 MB, for editing.")
                  + (app.originalRecordingAvailable
                     ? " " + qsTranslate("Main", "Original: the phone's own video as it came, at its own size and quality, with almost no work for this computer; players turn it as set here, without the mirror, the fill or the camera's size. It starts at the phone's next key frame.")
                     : "")
        }
    }

    Column {
        width: parent.width
        spacing: 8
        SectionLabel { text: qsTranslate("Main", "PAIRING") }
        SettingsRow {
            height: 44
            Row {
                x: 13
                anchors.verticalCenter: parent.verticalCenter
                spacing: 8
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: qsTranslate("Main", "Code")
                    font.pixelSize: 12
                    color: Theme.muted
                }
                // The token itself is never shown.
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: "••••••••"
                    font.pixelSize: 15
                    font.weight: Font.DemiBold
                    font.family: Theme.mono
                    color: Theme.textc
                }
            }
            AppButton {
                anchors.right: parent.right
                anchors.rightMargin: 6
                anchors.verticalCenter: parent.verticalCenter
                size: Theme.btnHsm
                variant: "outline"
                text: qsTranslate("Main", "Regenerate")
                onClicked: app.regeneratePairing()
            }
        }
        HelpText { text: qsTranslate("Main", "Regenerating makes the current QR stop working for new phones.") }
    }
}
