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
                    color: app.cameraRegistered ? Theme.accent : Theme.amber
                }
                Text {
                    text: app.cameraRegistered ? qsTranslate("Main", "Registered")
                                               : qsTranslate("Main", "Not registered")
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
            text: qsTranslate("Main", "Registering lets apps like Zoom, Teams and browsers see the Vidlet camera. Asks for admin.")
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
