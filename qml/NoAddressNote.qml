import QtQuick
import Vidlet 1.0

// Stands in for the QR code and the typed address while this PC has no LAN address: a code
// without an address cannot be answered, so the note says why and what to check instead.
Rectangle {
    id: note
    objectName: "noAddressNote"
    readonly property bool needed: !app.hasLanAddress

    visible: needed
    width: parent ? parent.width : 0
    height: visible ? column.implicitHeight + 24 : 0
    radius: 10
    color: Theme.raised
    border.width: 1
    border.color: Theme.hair

    Column {
        id: column
        x: 13
        width: parent.width - 26
        anchors.verticalCenter: parent.verticalCenter
        spacing: 7
        Row {
            spacing: 8
            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: 8
                height: 8
                radius: 4
                color: Theme.amber
            }
            Text {
                text: qsTranslate("Main", "This PC has no network address")
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: Theme.textc
            }
        }
        Text {
            width: parent.width
            text: qsTranslate("Main", "Turn on Wi-Fi or plug in a network cable, on the same network as your phone. Virtual adapters (VPN, WSL, VirtualBox) do not count.")
            font.pixelSize: 12
            color: Theme.muted
            wrapMode: Text.WordWrap
            lineHeight: 1.25
        }
        Text {
            objectName: "noAddressPort"
            width: parent.width
            text: qsTranslate("Main", "Phones connect on port %1. A phone on a USB cable pairs without the code.")
                      .arg(app.port > 0 ? app.port : 8788)
            font.pixelSize: 12
            color: Theme.faint
            wrapMode: Text.WordWrap
            lineHeight: 1.25
        }
    }
}
