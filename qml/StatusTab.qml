import QtQuick
import Vidlet 1.0

// What the program is listening on and how fast it decodes.
Column {
    id: tab
    width: parent ? parent.width : 0
    spacing: 18

    Column {
        width: parent.width
        spacing: 8
        SectionLabel { text: qsTranslate("Main", "CONNECTION") }
        SettingsRow {
            height: rows.height
            Column {
                id: rows
                width: parent.width
                StatusLine {
                    label: qsTranslate("Main", "This PC")
                    Text {
                        width: Math.min(implicitWidth, rows.width - 110)
                        text: app.pcName
                        elide: Text.ElideMiddle
                        font.pixelSize: 12
                        font.family: Theme.mono
                        color: Theme.textc
                    }
                }
                Separator {}
                StatusLine {
                    label: qsTranslate("Main", "Port")
                    Text {
                        text: app.port
                        font.pixelSize: 12
                        font.family: Theme.mono
                        color: Theme.textc
                    }
                }
                Separator {}
                StatusLine {
                    objectName: "usbLine"
                    label: "USB"
                    // A long translation wraps and the row grows instead of overflowing.
                    height: Math.max(38, usbText.height + 18)
                    Row {
                        spacing: 7
                        Rectangle {
                            anchors.verticalCenter: parent.verticalCenter
                            width: 8
                            height: 8
                            radius: 4
                            color: app.usbAvailable ? Theme.accent : Theme.amber
                        }
                        Text {
                            id: usbText
                            width: Math.min(implicitWidth, rows.width - 110)
                            objectName: "usbState"
                            // Linux starts usbmuxd only while an iPhone is plugged in, so
                            // there the wait for a phone is the normal state.
                            text: app.usbAvailable ? qsTranslate("Main", "Ready")
                                : app.usbRefused ? qsTranslate("Main", "Not used: another program answers in place of Apple's USB service")
                                : Qt.platform.os === "windows" ? qsTranslate("Main", "Needs iTunes or the Apple Devices app")
                                : app.usbServiceInstalled ? qsTranslate("Main", "Waiting for an iPhone on the USB cable")
                                : qsTranslate("Main", "usbmuxd is not installed")
                            horizontalAlignment: Text.AlignRight
                            wrapMode: Text.WordWrap
                            font.pixelSize: 12
                            color: Theme.textc
                        }
                    }
                }
            }
        }
        // Phones remember the port they paired with: on another one they do not find this PC.
        HelpText {
            objectName: "portTakenHelp"
            visible: app.portTaken > 0
            text: qsTranslate("Main", "Port %1 was taken by another program, so Vidlet listens on %2: phones that paired before must scan the code again.").arg(app.portTaken).arg(app.port)
        }
    }

    Column {
        width: parent.width
        spacing: 8
        SectionLabel { text: qsTranslate("Main", "DIAGNOSTICS") }
        SettingsRow {
            height: 38
            StatusLine {
                width: parent.width
                label: qsTranslate("Main", "Performance")
                Text {
                    text: app.fps + " fps · " + app.decodeMs + " ms"
                    font.pixelSize: 12
                    font.family: Theme.mono
                    color: Theme.textc
                }
            }
        }
    }

    component Separator: Rectangle {
        x: 13
        width: parent.width - 26
        height: 1
        color: Theme.hair
    }
}
