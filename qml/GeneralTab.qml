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
        Segments {
            objectName: "themeSegments"
            segmentName: "themeSegment"
            labels: [qsTranslate("Main", "System"), qsTranslate("Main", "Light"),
                     qsTranslate("Main", "Dark")]
            current: app.themeMode
            onPicked: index => app.setThemeMode(index)
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
    }
}
