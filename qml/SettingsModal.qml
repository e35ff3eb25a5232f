import QtQuick
import Vidlet 1.0

// Settings in four tabs. Every choice takes effect at once and is stored by its owner;
// the modal keeps no copies.
Modal {
    id: modal
    objectName: "settingsModal"
    property int tab: 0
    signal languageRequested()
    signal folderPickRequested()

    title: qsTranslate("Main", "Settings")
    panelWidth: 360
    onShownChanged: if (shown) tab = 0

    // Navigation always uses the underline look, never the segmented look of value pickers.
    Item {
        id: tabBar
        objectName: "settingsTabs"
        width: parent.width
        height: 34
        readonly property real tabWidth: width / 4
        Row {
            anchors.fill: parent
            Repeater {
                model: [qsTranslate("Main", "General"), qsTranslate("Main", "Camera"),
                        qsTranslate("Main", "Status"), qsTranslate("Main", "About")]
                Item {
                    width: tabBar.tabWidth
                    height: tabBar.height
                    Text {
                        anchors.centerIn: parent
                        text: modelData
                        font.pixelSize: Theme.fsCaption
                        font.weight: modal.tab === index ? Font.DemiBold : Font.Normal
                        color: modal.tab === index ? Theme.textc : Theme.muted
                    }
                    MouseArea {
                        objectName: "settingsTab_" + index
                        anchors.fill: parent
                        cursorShape: Qt.PointingHandCursor
                        onClicked: modal.tab = index
                    }
                }
            }
        }
        Rectangle {
            anchors.bottom: parent.bottom
            width: parent.width
            height: 1
            color: Theme.hair
        }
        Rectangle {
            anchors.bottom: parent.bottom
            height: 2
            radius: 1
            width: tabBar.tabWidth - 18
            x: modal.tab * tabBar.tabWidth + 9
            color: Theme.accent
            Behavior on x { NumberAnimation { duration: 150; easing.type: Easing.OutCubic } }
        }
    }

    // As tall as the tallest tab, so the panel keeps its size and place while the tabs switch
    // and a second click along the tab row still lands on a tab.
    Item {
        objectName: "settingsPages"
        width: parent.width
        height: Math.max(general.implicitHeight, camera.implicitHeight, status.implicitHeight,
                         about.implicitHeight)
        GeneralTab {
            id: general
            visible: modal.tab === 0
            onLanguageRequested: modal.languageRequested()
        }
        CameraTab {
            id: camera
            visible: modal.tab === 1
            onFolderPickRequested: modal.folderPickRequested()
        }
        StatusTab {
            id: status
            visible: modal.tab === 2
        }
        AboutTab {
            id: about
            visible: modal.tab === 3
        }
    }
}
