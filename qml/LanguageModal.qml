import QtQuick
import Vidlet 1.0

// Two columns of languages, each named in its own language.
Modal {
    id: modal
    objectName: "languageModal"
    title: qsTranslate("Main", "Language")
    panelWidth: 320

    Grid {
        id: grid
        width: parent.width
        columns: 2
        columnSpacing: 8
        rowSpacing: 8
        Repeater {
            // Each language named in itself; the translator holds the list.
            model: [{ code: "auto", name: qsTranslate("Main", "System default") }]
                   .concat(typeof i18n !== "undefined" && i18n ? i18n.languages : [])
            Rectangle {
                objectName: "langCell_" + modelData.code
                readonly property bool selected: typeof i18n !== "undefined" && !!i18n && i18n.language === modelData.code
                width: (grid.width - 8) / 2
                height: 34
                radius: 8
                color: selected ? Theme.accent : cellArea.containsMouse ? Theme.raised : "transparent"
                border.width: selected ? 0 : 1
                border.color: Theme.hair
                Text {
                    x: 11
                    anchors.verticalCenter: parent.verticalCenter
                    width: parent.width - 20
                    elide: Text.ElideRight
                    text: modelData.name
                    font.pixelSize: 13
                    font.weight: parent.selected ? Font.DemiBold : Font.Normal
                    color: parent.selected ? Theme.accentInk : Theme.textc
                }
                MouseArea {
                    id: cellArea
                    anchors.fill: parent
                    hoverEnabled: true
                    cursorShape: Qt.PointingHandCursor
                    // Close first: the switch re-translates the language list, which
                    // rebuilds these cells, this one included.
                    onClicked: {
                        const code = modelData.code
                        modal.close()
                        i18n.setLanguage(code)
                    }
                }
            }
        }
    }
}
