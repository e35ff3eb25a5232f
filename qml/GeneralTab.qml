import QtQuick
import Vidlet 1.0

// Appearance, language, window behaviour and the Wi-Fi video's delay.
Column {
    id: tab
    signal languageRequested()

    width: parent ? parent.width : 0
    spacing: 18

    Column {
        width: parent.width
        spacing: 8
        SectionLabel { text: qsTranslate("Main", "APPEARANCE") }
        Rectangle {
            objectName: "themeSegments"
            width: parent.width
            height: 36
            radius: Theme.rControl
            color: Theme.track
            border.width: 1
            border.color: Theme.hair
            clip: true
            Row {
                anchors.fill: parent
                Repeater {
                    model: [qsTranslate("Main", "System"), qsTranslate("Main", "Light"),
                            qsTranslate("Main", "Dark")]
                    Item {
                        readonly property bool selected: app.themeMode === index
                        width: parent.width / 3
                        height: parent.height
                        // Unselected thumbs are the accent at alpha 0, so the fade never
                        // passes through a dark tint.
                        Rectangle {
                            anchors.fill: parent
                            anchors.margins: 3
                            radius: Theme.rChip
                            color: parent.selected ? Theme.accent
                                                   : Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0)
                            Behavior on color { ColorAnimation { duration: 130 } }
                        }
                        Text {
                            anchors.centerIn: parent
                            text: modelData
                            font.pixelSize: Theme.fsBody
                            font.weight: parent.selected ? Font.DemiBold : Font.Normal
                            color: parent.selected ? Theme.accentInk : Theme.muted
                        }
                        MouseArea {
                            objectName: "themeSegment_" + index
                            anchors.fill: parent
                            cursorShape: Qt.PointingHandCursor
                            onClicked: app.setThemeMode(index)
                        }
                    }
                }
            }
        }
    }

    Column {
        width: parent.width
        spacing: 8
        SectionLabel { text: qsTranslate("Main", "LANGUAGE") }
        SettingsRow {
            objectName: "languageRow"
            height: 40
            Text {
                x: 13
                anchors.verticalCenter: parent.verticalCenter
                width: parent.width - 50
                elide: Text.ElideRight
                text: typeof i18n !== "undefined" && i18n && i18n.languageName ? i18n.languageName
                                                                       : qsTranslate("Main", "System default")
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: Theme.textc
            }
            Text {
                anchors.right: parent.right
                anchors.rightMargin: 13
                anchors.verticalCenter: parent.verticalCenter
                text: "▾"
                font.pixelSize: 11
                color: Theme.muted
            }
            MouseArea {
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: tab.languageRequested()
            }
        }
    }

    Column {
        width: parent.width
        spacing: 8
        SectionLabel { text: qsTranslate("Main", "WINDOW") }
        SettingsRow {
            height: 44
            opacity: app.trayAvailable ? 1 : 0.45
            Text {
                x: 13
                anchors.verticalCenter: parent.verticalCenter
                text: qsTranslate("Main", "Close to tray")
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: Theme.textc
            }
            ToggleSwitch {
                objectName: "trayToggle"
                anchors.right: parent.right
                anchors.rightMargin: 13
                anchors.verticalCenter: parent.verticalCenter
                enabled: app.trayAvailable
                checked: app.minimizeToTray && app.trayAvailable
                onToggled: app.minimizeToTray = !app.minimizeToTray
            }
        }
        HelpText {
            objectName: "trayHelp"
            text: app.trayAvailable
                  ? qsTranslate("Main", "Keep Vidlet running in the notification area when you close the window.")
                  : qsTranslate("Main", "Unavailable: this desktop has no notification area, so closing the window quits Vidlet.")
        }
    }

    Column {
        width: parent.width
        spacing: 8
        SectionLabel { text: qsTranslate("Main", "VIDEO") }
        SettingsRow {
            height: 44
            Text {
                x: 13
                anchors.verticalCenter: parent.verticalCenter
                text: qsTranslate("Main", "Low latency")
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: Theme.textc
            }
            ToggleSwitch {
                objectName: "lowLatencyToggle"
                anchors.right: parent.right
                anchors.rightMargin: 13
                anchors.verticalCenter: parent.verticalCenter
                checked: app.lowLatency
                onToggled: app.lowLatency = !app.lowLatency
            }
        }
        HelpText {
            text: qsTranslate("Main", "Shows Wi-Fi video with less delay. Motion may be less smooth on a busy network.")
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
}
