import QtQuick
import Vidlet 1.0

// A phone turned away for an old or wrong pairing code would otherwise fail in silence, on
// whichever screen is showing. Its name is the phone's own text: shown as plain text, never as
// markup. The strip stays until dismissed or a phone connects.
Rectangle {
    id: strip
    objectName: "refusedNote"
    property string phone: ""
    property bool shown: false

    Connections {
        target: app
        function onPairingRefused(name) {
            strip.phone = name
            strip.shown = true
        }
    }
    // A phone that connects has paired after all.
    readonly property int connected: app.phones.length
    property int lastConnected: 0
    onConnectedChanged: {
        if (connected > lastConnected)
            shown = false
        lastConnected = connected
    }

    height: shown ? refusedText.implicitHeight + 16 : 0
    visible: height > 0
    clip: true
    color: Theme.raised

    Rectangle {
        x: 14
        y: 8 + 4
        width: 8
        height: 8
        radius: 4
        color: Theme.amber
    }
    Text {
        id: refusedText
        objectName: "refusedText"
        x: 30
        y: 8
        width: parent.width - x - 40
        textFormat: Text.PlainText
        text: strip.phone !== ""
              ? qsTranslate("Main", "%1 tried to connect with an old pairing code: scan the code again.").arg(strip.phone)
              : qsTranslate("Main", "A phone tried to connect with an old pairing code: scan the code again.")
        font.pixelSize: 12
        color: Theme.textc
        wrapMode: Text.Wrap
        lineHeight: 1.2
    }
    Text {
        anchors.right: parent.right
        anchors.rightMargin: 12
        y: 8
        text: "✕"
        font.pixelSize: 12
        color: dismissArea.containsMouse ? Theme.textc : Theme.muted
        MouseArea {
            id: dismissArea
            objectName: "refusedDismiss"
            anchors.fill: parent
            anchors.margins: -6
            hoverEnabled: true
            cursorShape: Qt.PointingHandCursor
            onClicked: strip.shown = false
        }
    }
    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: Theme.hair
    }
}
