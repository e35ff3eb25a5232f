import QtQuick
import Vidlet 1.0

// One card per connected phone, in the order they connected, then the add-phone card.
Flickable {
    id: rail
    property var host
    signal addPhoneRequested()

    height: 120
    contentWidth: row.width
    contentHeight: height
    flickableDirection: Flickable.HorizontalFlick
    boundsBehavior: Flickable.StopAtBounds
    clip: true

    Row {
        id: row
        spacing: 10
        anchors.verticalCenter: parent.verticalCenter

        Repeater {
            model: app.phones
            PhoneCard {
                entry: modelData
                host: rail.host
            }
        }

        Rectangle {
            objectName: "addPhoneCard"
            width: 116
            height: 118
            radius: 12
            color: "transparent"
            border.width: 1
            border.color: Theme.hair
            Column {
                anchors.centerIn: parent
                width: parent.width - 20
                spacing: 5
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: "+"
                    font.pixelSize: 24
                    color: Theme.muted
                }
                Text {
                    width: parent.width
                    horizontalAlignment: Text.AlignHCenter
                    // A long translation is elided rather than overflowing the card.
                    elide: Text.ElideRight
                    text: qsTranslate("Main", "Add phone")
                    font.pixelSize: 11
                    color: Theme.muted
                }
            }
            MouseArea {
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: rail.addPhoneRequested()
            }
        }
    }
}
