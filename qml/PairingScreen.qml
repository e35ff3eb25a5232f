import QtQuick
import QtQuick.Controls.Basic
import Vidlet 1.0
import "VendorSite.js" as VendorSite

// Shown while no phone is connected: the QR code to scan and the ways around it.
Flickable {
    id: view
    objectName: "pairingScreen"
    // Not minimised or hidden: only then is the pulsing dot worth its redraws.
    readonly property bool inSight: Window.visibility !== Window.Minimized
                                    && Window.visibility !== Window.Hidden

    contentWidth: width
    contentHeight: Math.max(height, column.height + 40)
    interactive: contentHeight > height + 1
    boundsBehavior: Flickable.StopAtBounds
    clip: true
    ScrollBar.vertical: ThinScrollBar {
        width: 11
        view: view
        thumbColor: Theme.hair
        pressedColor: Theme.muted
    }

    Column {
        id: column
        width: 380
        spacing: 14
        x: (view.width - width) / 2
        y: Math.max(20, (view.height - height) / 2)

        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            height: 28
            radius: 14
            width: waitingRow.implicitWidth + 26
            color: Theme.raised
            border.width: 1
            border.color: Theme.hair
            Row {
                id: waitingRow
                anchors.centerIn: parent
                spacing: 8
                Rectangle {
                    id: waitingDot
                    anchors.verticalCenter: parent.verticalCenter
                    width: 8
                    height: 8
                    radius: 4
                    color: Theme.accent
                    // Only while someone can see it: each step redraws the window.
                    Pulse {
                        objectName: "waitingPulse"
                        target: waitingDot
                        low: 0.25
                        halfMs: 900
                        running: view.visible && view.inSight
                    }
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: qsTranslate("Main", "Ready to pair")
                    font.pixelSize: 12
                    font.weight: Font.DemiBold
                    color: Theme.muted
                }
            }
        }

        Text {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: qsTranslate("Main", "Connect your phone")
            font.pixelSize: 24
            font.weight: Font.DemiBold
            color: Theme.textc
            wrapMode: Text.WordWrap
        }

        Text {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: qsTranslate("Main", "Scan this code with the Vidlet app. Keep your phone on the same Wi-Fi as this PC.")
            font.pixelSize: 13
            color: Theme.muted
            wrapMode: Text.WordWrap
            lineHeight: 1.25
        }

        // A block rule left by the system's own security prompt overrides any allow rule,
        // and the QR code below could then never be answered.
        Rectangle {
            objectName: "firewallStrip"
            visible: app.firewallBlocked
            width: parent.width
            height: firewallColumn.implicitHeight + 24
            radius: 10
            color: Theme.raised
            border.width: 1
            border.color: Theme.hair
            Column {
                id: firewallColumn
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
                        // Windows Firewall there; firewalld or ufw elsewhere.
                        text: Qt.platform.os === "windows"
                              ? qsTranslate("Main", "Windows is blocking Vidlet on this network")
                              : qsTranslate("Main", "The firewall is blocking Vidlet on this network")
                        font.pixelSize: 13
                        font.weight: Font.DemiBold
                        color: Theme.textc
                    }
                }
                Text {
                    width: parent.width
                    text: qsTranslate("Main", "Your phone cannot reach this PC until you allow it. Asks for admin.")
                    font.pixelSize: 11
                    color: Theme.faint
                    wrapMode: Text.WordWrap
                    lineHeight: 1.25
                }
                AppButton {
                    objectName: "allowButton"
                    size: Theme.btnHsm
                    variant: "primary"
                    text: qsTranslate("Main", "Allow")
                    onClicked: app.allowThroughFirewall()
                }
            }
        }

        NoAddressNote { id: noAddress }

        QrTile {
            visible: !noAddress.needed
            anchors.horizontalCenter: parent.horizontalCenter
            width: 198
            height: 198
            radius: 16
            imageSize: 168
        }

        Rectangle {
            objectName: "manualAddress"
            visible: !noAddress.needed
            width: parent.width
            height: 44
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
                    font.pixelSize: 14
                    font.weight: Font.DemiBold
                    font.family: Theme.mono
                    color: Theme.textc
                }
            }
        }

        Row {
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 7
            Text {
                text: qsTranslate("Main", "This PC: %1").arg(app.pcName)
                font.pixelSize: 12
                color: Theme.faint
            }
            Text {
                text: "·"
                font.pixelSize: 12
                color: Theme.faint
            }
            Text {
                text: qsTranslate("Main", "Get the app")
                font.pixelSize: 12
                color: Theme.accent
                MouseArea {
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                    onClicked: Qt.openUrlExternally(VendorSite.url + "/app")
                }
            }
        }
    }
}
