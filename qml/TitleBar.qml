import QtQuick
import Vidlet 1.0

// The window's own title bar: icon and name, window buttons, and the drag that moves the
// frameless window (restoring it under the pointer when it was maximized).
Rectangle {
    id: bar
    objectName: "titleBar"
    required property bool maximized
    // The card's corner radius: only the top corners follow it; the bottom ones stay square.
    required property int cornerRadius
    // True from the start of a drag until its release, or a while, since a system move does not
    // always report the release.
    readonly property bool moving: drag.moving && movingReset.running
    signal settingsRequested()
    signal minimizeRequested()
    signal maximizeToggled()
    signal closeRequested()
    // A drag began: `pointer` in global coordinates, `fraction` of the bar's width and `pressY`
    // inside the bar where it was grabbed, to place a maximized window restored under it.
    signal moveRequested(point pointer, real fraction, real pressY)

    height: 46
    color: Theme.raised
    radius: cornerRadius
    Rectangle {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: Math.min(parent.height, bar.radius)
        color: Theme.raised
    }
    Rectangle {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 1
        color: Theme.hair
    }

    MouseArea {
        id: drag
        anchors.fill: parent
        property point pressAt
        property bool moving: false
        onPressed: (mouse) => {
            pressAt = Qt.point(mouse.x, mouse.y)
            moving = false
        }
        onPositionChanged: (mouse) => {
            if (!pressed || moving)
                return
            if (Math.abs(mouse.x - pressAt.x) <= 4 && Math.abs(mouse.y - pressAt.y) <= 4)
                return
            moving = true
            movingReset.restart()
            bar.moveRequested(drag.mapToGlobal(mouse.x, mouse.y), mouse.x / bar.width, mouse.y)
        }
        onReleased: moving = false
        onCanceled: moving = false
        onDoubleClicked: bar.maximizeToggled()
    }
    Timer {
        id: movingReset
        interval: 400
    }

    Row {
        x: 14
        anchors.verticalCenter: parent.verticalCenter
        spacing: 10
        Image {
            anchors.verticalCenter: parent.verticalCenter
            width: 22
            height: 22
            source: "qrc:/assets/icons/app-icon-256.png"
            sourceSize.width: 44
            sourceSize.height: 44
            smooth: true
            mipmap: true
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: "Vidlet"
            font.pixelSize: 14
            font.weight: Font.DemiBold
            color: Theme.textc
        }
    }

    Row {
        anchors.right: parent.right
        anchors.rightMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        spacing: 2
        Item { width: 6; height: 1 }

        TitleButton {
            objectName: "settingsButton"
            onClicked: bar.settingsRequested()
            Item {
                width: 16
                height: 15
                Repeater {
                    model: [{ y: 2, knob: 3 }, { y: 7, knob: 9 }, { y: 12, knob: 6 }]
                    Item {
                        Rectangle {
                            y: modelData.y
                            width: 16
                            height: 1.6
                            radius: 0.8
                            color: Theme.muted
                        }
                        Rectangle {
                            x: modelData.knob
                            y: modelData.y - 1.2
                            width: 4
                            height: 4
                            radius: 2
                            color: Theme.textc
                        }
                    }
                }
            }
        }
        TitleButton {
            objectName: "minimizeButton"
            onClicked: bar.minimizeRequested()
            Rectangle { width: 11; height: 1; color: Theme.muted }
        }
        TitleButton {
            id: maxButton
            objectName: "maximizeButton"
            onClicked: bar.maximizeToggled()
            Item {
                width: bar.maximized ? 12 : 11
                height: width
                Rectangle {
                    visible: !bar.maximized
                    width: 11
                    height: 11
                    radius: 2
                    color: "transparent"
                    border.width: 1.3
                    border.color: Theme.muted
                }
                Rectangle {
                    visible: bar.maximized
                    x: 3
                    width: 9
                    height: 9
                    radius: 2
                    color: "transparent"
                    border.width: 1.3
                    border.color: Theme.muted
                }
                // The front square hides the overlap with the button's current background.
                Rectangle {
                    visible: bar.maximized
                    y: 3
                    width: 9
                    height: 9
                    radius: 2
                    color: maxButton.hovered ? maxButton.hoverFill : Theme.raised
                    border.width: 1.3
                    border.color: Theme.muted
                }
            }
        }
        TitleButton {
            id: closeButton
            objectName: "closeButton"
            hoverFill: Theme.red
            onClicked: bar.closeRequested()
            Item {
                width: 13
                height: 13
                Repeater {
                    model: [45, -45]
                    Rectangle {
                        anchors.centerIn: parent
                        width: 13
                        height: 1
                        rotation: modelData
                        antialiasing: true
                        color: closeButton.hovered ? Theme.onColour : Theme.muted
                    }
                }
            }
        }
    }
}
