import QtQuick

// Fades `target` from full opacity down to `low` and back, `halfMs` each way, eased in and out,
// for as long as it runs, and leaves it at full opacity when it stops. It steps about fifteen
// times a second rather than at every frame: each step redraws the window, and a small dot's
// slow fade looks the same.
Timer {
    id: pulse
    property Item target
    property real low: 0.25
    property int halfMs: 900
    property int step: 0
    readonly property int steps: Math.max(1, Math.round(halfMs / interval))

    interval: 66
    repeat: true
    onTriggered: {
        step = (step + 1) % (2 * steps)
        const t = step < steps ? step / steps : 2 - step / steps
        const eased = t < 0.5 ? 2 * t * t : 1 - 2 * (1 - t) * (1 - t)
        target.opacity = 1 - (1 - low) * eased
    }
    onRunningChanged: {
        if (!running) {
            step = 0
            target.opacity = 1
        }
    }
}
