pragma Singleton
import QtQuick

// The one palette and scale every control reads, so sizes and colours cannot drift between
// screens. The main window binds `dark` to the user's or the system's choice.
QtObject {
    property bool dark: true

    readonly property color bg: dark ? "#0b0e15" : "#ffffff"
    readonly property color surface: dark ? "#121722" : "#ffffff"
    readonly property color raised: dark ? "#19202c" : "#f4f7fb"
    readonly property color raisedHover: dark ? "#212a39" : "#e9eef6"
    readonly property color inputBg: dark ? "#0d1526" : "#ffffff"
    readonly property color accentSoft: dark ? "#12262a" : "#eafcfa"
    readonly property color hair: dark ? "#242c3a" : "#e0e6ee"
    readonly property color track: dark ? "#0e1420" : "#e9eef5"
    readonly property color textc: dark ? "#eef2f8" : "#131a25"
    readonly property color muted: dark ? "#8a95a7" : "#5c6675"
    readonly property color faint: dark ? "#5a6576" : "#95a0b0"
    readonly property color accent: dark ? "#22d0c1" : "#0bab9d"
    readonly property color accentInk: dark ? "#04302c" : "#ffffff"

    readonly property color red: "#ef5b52"
    readonly property color amber: "#e0a12e"
    readonly property color onVideoText: "#ffffff"
    readonly property color onVideoMuted: "#c9d0da"
    readonly property color chipScrim: "#99000000"
    readonly property color chipScrimHover: "#cc000000"
    // The picture area before the first frame, and the dimming over a paused one.
    readonly property color videoTop: "#243049"
    readonly property color videoBottom: "#0d1220"
    readonly property color videoDim: "#77000000"
    // The rename pencil and the badges drawn over a phone card.
    readonly property color cardChip: "#cc0b0e15"
    readonly property color cardChipEdge: "#33ffffff"
    readonly property color badge: dark ? "#0d1526" : "#cdd6e3"
    readonly property color badgeInk: dark ? "#05070b" : "#59657a"
    // White text and glyphs on red, accent or video.
    readonly property color onColour: "#ffffff"
    readonly property color paper: "#ffffff"
    readonly property color paperMuted: "#8a95a7"
    readonly property color shadow: "#66000000"
    readonly property color menuShadow: "#40000000"
    readonly property color backdrop: dark ? "#aa000000" : "#55000000"

    readonly property int fsEyebrow: 10
    readonly property int fsSmall: 11
    readonly property int fsCaption: 12
    readonly property int fsBody: 13
    readonly property int fsBtnLg: 14
    readonly property int fsSubtitle: 15
    readonly property int fsTitle: 17
    readonly property int fsH2: 20
    readonly property int fsHero: 24
    readonly property string mono: "Consolas"

    readonly property int rControl: 8
    readonly property int rRow: 10
    readonly property int rCard: 12
    readonly property int rChip: 6
    function pill(h) { return h / 2 }

    readonly property int btnH: 34
    readonly property int btnHsm: 30
    readonly property int btnHlg: 40
    readonly property int btnPadX: 17

    readonly property int sp1: 4
    readonly property int sp2: 8
    readonly property int sp3: 12
    readonly property int sp4: 16
    readonly property int sp5: 20
}
