import QtQuick
import Vidlet 1.0

// The pairing code again, for a second phone: it pairs with the same QR.
Modal {
    id: modal
    objectName: "addPhoneModal"
    title: qsTranslate("Main", "Add a phone")
    panelWidth: 320

    Text {
        width: parent.width
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.WordWrap
        lineHeight: 1.25
        text: qsTranslate("Main", "Scan this code with the Vidlet app on another phone.")
        font.pixelSize: 13
        color: Theme.muted
    }
    NoAddressNote { id: noAddress }
    QrTile {
        visible: !noAddress.needed
        anchors.horizontalCenter: parent.horizontalCenter
        width: 190
        height: 190
        radius: 14
        imageSize: 162
        placeholder: false
    }
    Rectangle {
        visible: !noAddress.needed
        width: parent.width
        height: 40
        radius: 10
        color: Theme.raised
        border.width: 1
        border.color: Theme.hair
        Row {
            anchors.centerIn: parent
            spacing: 10
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: qsTranslate("Main", "Can't scan?")
                font.pixelSize: 12
                color: Theme.faint
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: app.pairAddress
                font.pixelSize: 13
                font.weight: Font.DemiBold
                font.family: Theme.mono
                color: Theme.textc
            }
        }
    }
}
