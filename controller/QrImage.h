#pragma once

#include <QImage>
#include <QString>

// Draws a QR code for the pairing screen: 8 pixels per module, a white quiet zone of four modules
// on each side, dark modules in #0B0E15.
namespace QrImage {

// The code for `text` (encoded as UTF-8 at error-correction level MEDIUM) as a 32-bit RGB image;
// a null image when the text does not fit the largest code.
QImage render(const QString& text);

// "data:image/png;base64," and the PNG of render(text); empty when no code could be made.
QString dataUrl(const QString& text);

} // namespace QrImage
