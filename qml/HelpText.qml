import QtQuick
import Vidlet 1.0

// The quiet explanation under a settings row.
Text {
    width: parent ? parent.width : 0
    font.pixelSize: 11
    color: Theme.faint
    wrapMode: Text.WordWrap
}
