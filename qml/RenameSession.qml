import QtQuick

// The one phone name being edited: opening a second editor commits the first, and a press
// elsewhere in the window commits it. Cards report to it; the window asks it to commit.
QtObject {
    id: session
    property Item card: null
    // The right-click menu the name editor opens.
    property EditMenu editMenu: null
    // Asks the editing card to commit its name.
    signal commitRequested(Item card)

    function begin(editing) {
        if (card && card !== editing)
            commitRequested(card)
        card = editing
    }
    function end(editing) {
        if (card === editing)
            card = null
    }
    function commit() {
        if (card)
            commitRequested(card)
    }
    // A card that goes away while its name is edited (the roster changed) hands the edit over;
    // it is committed once the roster has settled.
    function commitLater(id, name) { Qt.callLater(app.renamePhone, id, name) }
}
