import QtQuick
import Vidlet 1.0

// A row of the settings tabs: a raised, rounded strip across the whole width.
Rectangle {
    width: parent ? parent.width : 0
    radius: 9
    color: Theme.raised
    border.width: 1
    border.color: Theme.hair
}
