import QtQuick
import Vidlet 1.0

// The pairing QR code on white paper. The image is drawn without smoothing so the modules
// stay crisp for the phone's camera.
Rectangle {
    id: tile
    objectName: "qrTile"
    property int imageSize: 168
    property bool placeholder: true

    color: Theme.paper
    border.width: Theme.dark ? 0 : 1
    border.color: Theme.hair

    Image {
        anchors.centerIn: parent
        width: tile.imageSize
        height: tile.imageSize
        visible: app.qrDataUrl !== ""
        source: app.qrDataUrl
        smooth: false
        mipmap: false
        fillMode: Image.Stretch
    }
    Text {
        anchors.centerIn: parent
        visible: tile.placeholder && app.qrDataUrl === ""
        text: "…"
        font.pixelSize: 22
        color: Theme.paperMuted
    }
}
