#include "controller/QrImage.h"

#include <QBuffer>
#include <QByteArray>

#include <qrcodegen.hpp>

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace {

constexpr int moduleSize = 8;
constexpr int quietZone = 4 * moduleSize; // the four modules the QR standard asks for
const QRgb darkModule = qRgb(11, 14, 21);

std::optional<qrcodegen::QrCode> encode(const QString& text)
{
    try {
        return qrcodegen::QrCode::encodeText(text.toUtf8().constData(),
                                             qrcodegen::QrCode::Ecc::MEDIUM);
    } catch (const std::length_error&) {
        return std::nullopt; // too long for version 40
    }
}

} // namespace

QImage QrImage::render(const QString& text)
{
    const std::optional<qrcodegen::QrCode> code = encode(text);
    if (!code)
        return {};

    const int modules = code->getSize();
    const int side = modules * moduleSize + 2 * quietZone;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < modules; ++y) {
        for (int x = 0; x < modules; ++x) {
            if (!code->getModule(x, y))
                continue;
            for (int row = 0; row < moduleSize; ++row) {
                auto* line =
                    reinterpret_cast<QRgb*>(image.scanLine(quietZone + y * moduleSize + row));
                std::fill_n(line + quietZone + x * moduleSize, moduleSize, darkModule);
            }
        }
    }
    return image;
}

QString QrImage::dataUrl(const QString& text)
{
    const QImage image = render(text);
    if (image.isNull())
        return {};
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
}
