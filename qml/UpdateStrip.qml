import QtQuick
import Vidlet 1.0

// The strip under the title bar that announces a newer version. Once dismissed it stays closed
// for the rest of the run, whatever the updater reports later.
Rectangle {
    id: strip
    objectName: "updateStrip"
    // The window also runs without an update checker; the strip then stays closed.
    readonly property var checker: typeof updater !== "undefined" ? updater : null

    property bool dismissed: false

    height: !dismissed && checker && checker.available ? 36 : 0
    Behavior on height { NumberAnimation { duration: 160; easing.type: Easing.OutCubic } }
    clip: true
    visible: height > 0
    color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.13)

    Row {
        anchors.centerIn: parent
        spacing: 12
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: qsTranslate("Main", "Vidlet %1 is available.")
                      .arg(strip.checker ? strip.checker.latestVersion : "")
            font.pixelSize: 13
            color: Theme.textc
        }
        Rectangle {
            objectName: "updateDownload"
            anchors.verticalCenter: parent.verticalCenter
            height: 22
            radius: 11
            width: downloadLabel.implicitWidth + 24
            color: downloadArea.containsMouse ? Qt.darker(Theme.accent, 1.15) : Theme.accent
            Text {
                id: downloadLabel
                anchors.centerIn: parent
                text: qsTranslate("Main", "Download")
                font.pixelSize: 12
                font.weight: Font.DemiBold
                color: Theme.accentInk
            }
            MouseArea {
                id: downloadArea
                anchors.fill: parent
                hoverEnabled: true
                cursorShape: Qt.PointingHandCursor
                onClicked: if (strip.checker) strip.checker.openDownload()
            }
        }
    }

    Text {
        id: dismissGlyph
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        text: "✕"
        font.pixelSize: 12
        color: dismissArea.containsMouse ? Theme.textc : Theme.muted
        MouseArea {
            id: dismissArea
            objectName: "updateDismiss"
            anchors.fill: parent
            anchors.margins: -6
            hoverEnabled: true
            cursorShape: Qt.PointingHandCursor
            onClicked: strip.dismissed = true
        }
    }
}
