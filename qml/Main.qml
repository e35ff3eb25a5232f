import QtQuick
import QtQuick.Window
import QtQuick.Dialogs
import Vidlet 1.0
import "VendorSite.js" as VendorSite

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
    property bool _moving: false
    property int themeMode: app.themeMode
    readonly property bool dark: themeMode === 0 ? app.osDark : themeMode === 2
    readonly property int cardRadius: isMax || captureMode ? 0 : Theme.rCard
    readonly property int rz: 6
    // Known phones keep the live screen, with their cards offline, while none is connected.
    readonly property bool onLive: app.phoneConnected || app.knownPhones.length > 0
    property var renamingCard: null
    property int recSeconds: 0
    readonly property string recClock: Math.floor(recSeconds / 60) + ":"
                                       + String(recSeconds % 60).padStart(2, "0")
    // The vendor's web site, fixed at build time (VIDLET_VENDOR_SITE).
    readonly property string siteUrl: VendorSite.url

    readonly property var langList: [
        { code: "auto", name: qsTr("System default") },
        { code: "en", name: "English" },
        { code: "fr", name: "Français" },
        { code: "es", name: "Español" },
        { code: "de", name: "Deutsch" },
        { code: "it", name: "Italiano" },
        { code: "pt", name: "Português" },
        { code: "ru", name: "Русский" },
        { code: "tr", name: "Türkçe" },
        { code: "zh_CN", name: "中文 (简体)" },
        { code: "ja", name: "日本語" }
    ]
    function langName(code) {
        for (const l of langList)
            if (l.code === code)
                return l.name
        return code
    }

    // The palette under short names; modals and the edit menu take the window as their theme.
    readonly property color bg: Theme.bg
    readonly property color surface: Theme.surface
    readonly property color raised: Theme.raised
    readonly property color hair: Theme.hair
    readonly property color textc: Theme.textc
    readonly property color muted: Theme.muted
    readonly property color faint: Theme.faint
    readonly property color accent: Theme.accent
    readonly property color accentInk: Theme.accentInk
    readonly property color red: Theme.red
    readonly property color amber: Theme.amber
    readonly property string mono: Theme.mono

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
    // A card that goes away while its name is edited (the roster changed) hands the edit over;
    // it is committed once the roster has settled.
    function commitRenameLater(id, name) { Qt.callLater(app.renamePhone, id, name) }
    // Components deep in the window reach the one edit menu through here.
    function openEditMenu(input, sceneX, sceneY) { editMenu.openFor(input, sceneX, sceneY) }
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
            host: win
            onSettingsRequested: settingsModal.open()
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
                sourceComponent: PairingScreen { host: win }
            }
            // Going back to pairing removes the live screen, with the rail and any name editor.
            Loader {
                anchors.fill: parent
                active: win.onLive
                sourceComponent: LiveScreen {
                    host: win
                    onAddPhoneRequested: addPhoneModal.open()
                }
            }
        }

        SettingsModal {
            id: settingsModal
            theme: win
            host: win
            onLanguageRequested: {
                settingsModal.close()
                languageModal.open()
            }
            onFolderPickRequested: folderDialog.open()
        }
        LanguageModal { id: languageModal; theme: win; host: win }
        AddPhoneModal { id: addPhoneModal; theme: win }

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
                    c.commitRename()
            }
        }

        EditMenu {
            id: editMenu
            objectName: "editMenu"
            theme: win
        }
    }

    ResizeGrips {
        anchors.fill: card
        host: win
        visible: !win.isMax && !win._moving
    }

    FolderDialog {
        id: folderDialog
        objectName: "folderDialog"
        title: qsTr("Choose recordings folder")
        onAccepted: app.recordingFolder = selectedFolder
    }
}
