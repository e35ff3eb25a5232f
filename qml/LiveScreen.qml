import QtQuick
import QtQuick.Window
import Vidlet 1.0

// Shown while a phone is connected, or a known phone could come back: the live preview with its
// chips, the status row with the Record button, and the phone rail.
Item {
    id: screen
    required property RenameSession renames
    // The running recording's length, "m:ss".
    required property string recordingClock
    // Not minimised or hidden: only then are the pulsing dots worth their redraws.
    readonly property bool inSight: Window.visibility !== Window.Minimized
                                    && Window.visibility !== Window.Hidden
    signal addPhoneRequested()

    // Live frames are copied for the preview only while it can be seen.
    readonly property bool previewSeen: visible && Window.visibility !== Window.Minimized
                                        && Window.visibility !== Window.Hidden
    Binding {
        target: app
        property: "previewShown"
        value: screen.previewSeen
    }

    Rectangle {
        id: box
        objectName: "previewBox"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: bottomBar.top
        anchors.margins: 16
        anchors.bottomMargin: 12
        radius: 12
        gradient: Gradient {
            GradientStop { position: 0; color: Theme.videoTop }
            GradientStop { position: 1; color: Theme.videoBottom }
        }

        FramePreview {
            id: preview
            objectName: "preview"
            anchors.fill: parent
        }
        Connections {
            target: app
            function onFrameReady(image) { preview.setFrame(image) }
        }

        Rectangle {
            objectName: "pausedOverlay"
            anchors.fill: parent
            visible: !app.outputEnabled
            color: Theme.videoDim
            Column {
                anchors.centerIn: parent
                spacing: 8
                Row {
                    anchors.horizontalCenter: parent.horizontalCenter
                    spacing: 6
                    Repeater {
                        model: 2
                        Rectangle { width: 5; height: 22; radius: 2; color: Theme.amber }
                    }
                }
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: qsTranslate("Main", "Camera output paused")
                    font.pixelSize: 15
                    font.weight: Font.DemiBold
                    color: Theme.onVideoText
                }
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    width: Math.min(280, implicitWidth)
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.WordWrap
                    text: qsTranslate("Main", "Apps receive a frozen frame. Click Resume camera to broadcast again.")
                    font.pixelSize: 12
                    color: Theme.onVideoMuted
                }
            }
        }

        // No phone connected, only known ones offline: the idle state over the last picture.
        Rectangle {
            objectName: "idleOverlay"
            anchors.fill: parent
            visible: !app.phoneConnected
            gradient: Gradient {
                GradientStop { position: 0; color: Theme.videoTop }
                GradientStop { position: 1; color: Theme.videoBottom }
            }
            Column {
                anchors.centerIn: parent
                width: Math.min(parent.width - 40, 320)
                spacing: 10
                Text {
                    width: parent.width
                    horizontalAlignment: Text.AlignHCenter
                    text: qsTranslate("Main", "Waiting for your phone")
                    font.pixelSize: 15
                    font.weight: Font.DemiBold
                    color: Theme.onVideoText
                    wrapMode: Text.WordWrap
                }
                Text {
                    width: parent.width
                    horizontalAlignment: Text.AlignHCenter
                    text: qsTranslate("Main", "Open the Vidlet app on one of your phones, or pair a new one.")
                    font.pixelSize: 12
                    color: Theme.onVideoMuted
                    wrapMode: Text.WordWrap
                    lineHeight: 1.25
                }
                Text {
                    width: parent.width
                    horizontalAlignment: Text.AlignHCenter
                    visible: app.firewallBlocked
                    text: Qt.platform.os === "windows"
                          ? qsTranslate("Main", "Windows is blocking Vidlet on this network")
                          : qsTranslate("Main", "The firewall is blocking Vidlet on this network")
                    font.pixelSize: 12
                    color: Theme.amber
                    wrapMode: Text.WordWrap
                }
                Row {
                    anchors.horizontalCenter: parent.horizontalCenter
                    spacing: 8
                    AppButton {
                        objectName: "idleAllowButton"
                        visible: app.firewallBlocked
                        size: Theme.btnHsm
                        variant: "primary"
                        text: qsTranslate("Main", "Allow")
                        onClicked: app.allowThroughFirewall()
                    }
                    AppButton {
                        objectName: "showCodeButton"
                        size: Theme.btnHsm
                        variant: app.firewallBlocked ? "neutral" : "primary"
                        text: qsTranslate("Main", "Show pairing code")
                        onClicked: screen.addPhoneRequested()
                    }
                }
            }
        }

        // The camera on/off control.
        Rectangle {
            id: liveChip
            objectName: "liveChip"
            x: 12
            y: 12
            height: 26
            radius: 13
            width: liveRow.implicitWidth + 22
            color: liveArea.containsMouse ? Theme.chipScrimHover : Theme.chipScrim
            Behavior on color { ColorAnimation { duration: 100 } }
            border.width: 1
            border.color: app.outputEnabled ? Theme.accent : Theme.amber
            Row {
                id: liveRow
                anchors.centerIn: parent
                spacing: 7
                Rectangle {
                    id: liveDot
                    anchors.verticalCenter: parent.verticalCenter
                    width: 8
                    height: 8
                    radius: 4
                    color: app.outputEnabled ? Theme.accent : Theme.amber
                    // While video flows: with every phone gone the preview holds a still
                    // picture, and a window at rest redraws nothing.
                    Pulse {
                        objectName: "livePulse"
                        target: liveDot
                        low: 0.3
                        halfMs: 700
                        running: app.outputEnabled && app.live && screen.visible && screen.inSight
                    }
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: app.outputEnabled ? "LIVE" : "PAUSED"
                    font.pixelSize: 11
                    font.weight: Font.DemiBold
                    color: Theme.onVideoText
                }
                // Says what a click does: bars to pause, a triangle to resume.
                Item {
                    anchors.verticalCenter: parent.verticalCenter
                    width: 9
                    height: 10
                    opacity: liveArea.containsMouse ? 1.0 : 0.5
                    Behavior on opacity { NumberAnimation { duration: 120 } }
                    Row {
                        visible: app.outputEnabled
                        spacing: 2
                        Rectangle { width: 2.5; height: 10; radius: 1; color: Theme.onVideoText }
                        Rectangle { width: 2.5; height: 10; radius: 1; color: Theme.onVideoText }
                    }
                    Canvas {
                        visible: !app.outputEnabled
                        anchors.fill: parent
                        onPaint: {
                            const ctx = getContext("2d")
                            ctx.reset()
                            ctx.fillStyle = Theme.onVideoText
                            ctx.beginPath()
                            ctx.moveTo(0.5, 0)
                            ctx.lineTo(9, 5)
                            ctx.lineTo(0.5, 10)
                            ctx.closePath()
                            ctx.fill()
                        }
                    }
                }
            }
            MouseArea {
                id: liveArea
                anchors.fill: parent
                hoverEnabled: true
                cursorShape: Qt.PointingHandCursor
                onClicked: app.toggleOutput()
            }
        }

        Rectangle {
            objectName: "inUseChip"
            visible: app.appConnected
            anchors.right: parent.right
            anchors.rightMargin: 12
            y: 12
            height: 26
            radius: 13
            width: inUseRow.implicitWidth + 22
            color: Theme.chipScrim
            border.width: 1
            border.color: Theme.accent
            Row {
                id: inUseRow
                anchors.centerIn: parent
                spacing: 7
                Rectangle {
                    anchors.verticalCenter: parent.verticalCenter
                    width: 8
                    height: 8
                    radius: 4
                    color: Theme.accent
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: qsTranslate("Main", "In use")
                    font.pixelSize: 11
                    font.weight: Font.DemiBold
                    color: Theme.onVideoText
                }
            }
        }

        RoundCorners {
            anchors.fill: parent
            radius: parent.radius
            color: Theme.bg
        }
    }

    Column {
        id: bottomBar
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 16
        spacing: 12

        Item {
            width: parent.width
            height: 34
            Row {
                anchors.verticalCenter: parent.verticalCenter
                spacing: 9
                Rectangle {
                    anchors.verticalCenter: parent.verticalCenter
                    width: 8
                    height: 8
                    radius: 4
                    color: Theme.accent
                }
                Text {
                    objectName: "activeName"
                    anchors.verticalCenter: parent.verticalCenter
                    // Ends 27 px before the Record button so a long name never slides under it.
                    width: Math.min(implicitWidth, recordButton.x - 27 - 17)
                    text: app.phoneName
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font.pixelSize: 13
                    font.weight: Font.DemiBold
                    color: Theme.textc
                }
                Text {
                    objectName: "noPhoneLabel"
                    anchors.verticalCenter: parent.verticalCenter
                    visible: !app.phoneConnected
                    text: qsTranslate("Main", "No phone connected")
                    font.pixelSize: 13
                    color: Theme.muted
                }
            }
            RecordButton {
                id: recordButton
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                clock: screen.recordingClock
            }
        }

        PhoneRail {
            width: parent.width
            renames: screen.renames
            onAddPhoneRequested: screen.addPhoneRequested()
        }
    }
}
