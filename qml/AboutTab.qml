import QtQuick
import Vidlet 1.0
import "VendorSite.js" as VendorSite

// The program's name, purpose, version and web site.
Column {
    id: tab
    width: parent ? parent.width : 0
    spacing: 8

    readonly property color tileFill: Theme.dark ? Theme.raised : Theme.accentSoft

    Item { width: 1; height: 4 }
    Rectangle {
        anchors.horizontalCenter: parent.horizontalCenter
        width: 72
        height: 72
        radius: 18
        color: tab.tileFill
        Image {
            anchors.centerIn: parent
            width: 46
            height: 46
            source: "qrc:/assets/icons/app-icon-256.png"
            sourceSize.width: 92
            sourceSize.height: 92
            smooth: true
            mipmap: true
        }
    }
    Text {
        anchors.horizontalCenter: parent.horizontalCenter
        text: "Vidlet"
        font.pixelSize: 20
        font.weight: Font.DemiBold
        color: Theme.textc
    }
    Text {
        anchors.horizontalCenter: parent.horizontalCenter
        text: qsTranslate("Main", "Turn your phone into a PC webcam")
        font.pixelSize: 12
        color: Theme.muted
    }
    Item { width: 1; height: 2 }
    Row {
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 10
        Rectangle {
            anchors.verticalCenter: parent.verticalCenter
            height: 20
            radius: 10
            width: versionText.implicitWidth + 16
            color: tab.tileFill
            Text {
                id: versionText
                anchors.centerIn: parent
                text: "v" + app.appVersion
                font.pixelSize: 11
                font.weight: Font.DemiBold
                color: Theme.accent
            }
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: VendorSite.url.replace("https://", "")
            font.pixelSize: 12
            color: Theme.accent
            MouseArea {
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: Qt.openUrlExternally(VendorSite.url)
            }
        }
    }
}
