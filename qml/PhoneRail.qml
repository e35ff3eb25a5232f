import QtQuick
import Vidlet 1.0

// One card per known phone in the order they first paired, live or offline, then any other
// connected phone in the order it connected, then the add-phone card.
Flickable {
    id: rail
    required property RenameSession renames
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
            objectName: "railCards"
            model: {
                const live = app.phones
                const cards = []
                const placed = new Set()
                for (const known of app.knownPhones) {
                    const phone = live.find(p => p.deviceId === known.deviceId && !placed.has(p.id))
                    if (phone) {
                        placed.add(phone.id)
                        cards.push(phone)
                    } else {
                        cards.push(known)
                    }
                }
                for (const phone of live)
                    if (!placed.has(phone.id))
                        cards.push(phone)
                return cards
            }
            PhoneCard {
                required property var modelData
                entry: modelData
                renames: rail.renames
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
