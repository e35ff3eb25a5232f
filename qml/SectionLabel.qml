import QtQuick
import Vidlet 1.0

// The small upper-case heading over a settings section.
Text {
    font.pixelSize: 10
    font.weight: Font.DemiBold
    font.letterSpacing: 1
    font.capitalization: Font.AllUppercase
    color: Theme.faint
}
