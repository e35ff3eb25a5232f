import QtQuick
import QtQuick.Window
import QtQuick.Dialogs
import Vidlet 1.0

// The whole window: a frameless, translucent window painting its own rounded card, so it looks
// the same on every desktop. The screens and overlays live in their own files; this one holds
// the window state the program's start-up and screenshot code reach by name.
Window {
    id: win
    flags: Qt.Window | Qt.FramelessWindowHint
    color: "transparent"
    title: "Vidlet"
    visible: true
    width: 540
    height: 640
    minimumWidth: 460
    minimumHeight: 502

    property bool captureMode: false
    readonly property int normalShadow: 16
    readonly property bool isMax: visibility === Window.Maximized
    readonly property int shadowMargin: isMax || captureMode ? 0 : normalShadow
    property int _restoreW: 540
    property int themeMode: app.themeMode
    readonly property bool dark: themeMode === 0 ? app.osDark : themeMode === 2
    readonly property int cardRadius: isMax || captureMode ? 0 : Theme.rCard
    // Known phones keep the live screen, with their cards offline, while none is connected.
    readonly property bool onLive: app.phoneConnected || app.knownPhones.length > 0
    // The phone card whose name is being edited, if any.
    readonly property Item renamingCard: renameSession.card
    property int recSeconds: 0
    readonly property string recClock: Math.floor(recSeconds / 60) + ":"
                                       + String(recSeconds % 60).padStart(2, "0")

    Binding { target: Theme; property: "dark"; value: win.dark }

    function toggleMaxRestore() {
        if (isMax) {
            showNormal()
        } else {
            _restoreW = width
            showMaximized()
        }
    }
    // Without a notification area a hidden window could never be shown again, so closing quits.
    readonly property bool hidesToTray: app.minimizeToTray && app.trayAvailable
    function closeOrHide() {
        if (hidesToTray)
            hide()
        else
            Qt.quit()
    }
    // A drag on the title bar moves the window; a maximized one is restored under the pointer.
    function moveFromTitleBar(pointer, fraction, pressY) {
        if (isMax) {
            // Keep the pointer over the same relative point of the restored title bar; the
            // margin around the card comes back with the normal state.
            showNormal()
            x = Math.round(pointer.x - normalShadow - fraction * (_restoreW - 2 * normalShadow))
            y = Math.round(pointer.y - pressY - normalShadow)
        }
        startSystemMove()
    }

    // The phone name being edited, shared by the rail's cards and the click-away catcher.
    RenameSession {
        id: renameSession
        editMenu: editMenu
    }

    // Screenshot hooks. Assigning themeMode drops its binding to the controller, so a forced
    // theme is never written to the settings.
    function shotSetTheme(mode) { themeMode = mode }
    function shotOpenView(view) {
        if (view === "settings")
            settingsModal.open()
        else if (view === "language")
            languageModal.open()
        else if (view === "addphone")
            addPhoneModal.open()
    }

    onClosing: (close) => {
        if (hidesToTray) {
            close.accepted = false
            hide()
        }
    }

    Shortcut {
        sequence: "Ctrl+0"
        onActivated: {
            win.showNormal()
            win.width = 540
            win.height = 640
        }
    }

    Timer {
        id: recTimer
        interval: 1000
        repeat: true
        running: app.recording
        onTriggered: win.recSeconds++
        onRunningChanged: if (!running) win.recSeconds = 0
    }

    Loader {
        anchors.fill: card
        active: !win.isMax && !win.captureMode
        sourceComponent: Shadow {
            radius: win.cardRadius
            fillColor: Theme.bg
            shadowColor: Theme.shadow
            blur: 0.7
            offsetY: 3
        }
    }

    Rectangle {
        id: card
        objectName: "card"
        anchors.fill: parent
        anchors.margins: win.shadowMargin
        radius: win.cardRadius
        color: Theme.bg

        // The card's hairline, drawn over the title bar and screens so they cannot hide it.
        Rectangle {
            anchors.fill: parent
            z: 150
            radius: win.cardRadius
            color: "transparent"
            border.width: 1
            border.color: Theme.hair
        }

        TitleBar {
            id: titleBar
            width: parent.width
            maximized: win.isMax
            cornerRadius: win.cardRadius
            onSettingsRequested: settingsModal.open()
            onMinimizeRequested: win.showMinimized()
            onMaximizeToggled: win.toggleMaxRestore()
            onCloseRequested: win.closeOrHide()
            onMoveRequested: (pointer, fraction, pressY) => win.moveFromTitleBar(pointer, fraction, pressY)
        }

        UpdateStrip {
            id: updateStrip
            anchors.top: titleBar.bottom
            width: parent.width
        }

        RecordingStrip {
            id: recordingStrip
            anchors.top: updateStrip.bottom
            width: parent.width
        }
        RefusedStrip {
            id: refusedStrip
            anchors.top: recordingStrip.bottom
            width: parent.width
        }
        Item {
            id: content
            anchors.top: refusedStrip.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom

            Loader {
                anchors.fill: parent
                active: !win.onLive
                sourceComponent: PairingScreen {}
            }
            // Going back to pairing removes the live screen, with the rail and any name editor.
            Loader {
                anchors.fill: parent
                active: win.onLive
                sourceComponent: LiveScreen {
                    renames: renameSession
                    recordingClock: win.recClock
                    onAddPhoneRequested: addPhoneModal.open()
                }
            }
        }

        SettingsModal {
            id: settingsModal
            backdropRadius: win.cardRadius
            onLanguageRequested: {
                settingsModal.close()
                languageModal.open()
            }
            onFolderPickRequested: folderDialog.open()
        }
        LanguageModal { id: languageModal; backdropRadius: win.cardRadius }
        AddPhoneModal { id: addPhoneModal; backdropRadius: win.cardRadius }

        // While a phone name is edited, a left press anywhere but on that card commits it.
        MouseArea {
            id: renameCatcher
            objectName: "renameCatcher"
            anchors.fill: parent
            z: 300
            visible: win.renamingCard !== null
            acceptedButtons: Qt.LeftButton
            onPressed: (mouse) => {
                const c = win.renamingCard
                const p = c.mapFromItem(renameCatcher, mouse.x, mouse.y)
                if (c.contains(p))
                    mouse.accepted = false
                else
                    renameSession.commit()
            }
        }

        EditMenu {
            id: editMenu
            objectName: "editMenu"
        }
    }

    ResizeGrips {
        anchors.fill: card
        visible: !win.isMax && !titleBar.moving
        onResizeRequested: (edges) => win.startSystemResize(edges)
    }

    FolderDialog {
        id: folderDialog
        objectName: "folderDialog"
        title: qsTr("Choose recordings folder")
        onAccepted: app.recordingFolder = selectedFolder
    }
}
