#include "controller/StatusCard.h"

#include <QColor>
#include <QFont>
#include <QPainter>

namespace {
struct CardText {
    QString second;
    QString third;
    QString thirdFamily;
    QColor dot;
};

QImage drawCard(int w, int h, const CardText& text)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(0x0B, 0x0E, 0x15));
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    const int cx = w / 2;
    const int cy = h / 2;

    QFont title(QStringLiteral("Segoe UI"), 44);
    title.setWeight(QFont::DemiBold);
    p.setFont(title);
    p.setPen(QColor(0xEE, 0xF2, 0xF8));
    p.drawText(QRect(QPoint(0, cy - 96), QPoint(w - 1, cy - 13)),
               Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("Vidlet"));

    p.setPen(Qt::NoPen);
    p.setBrush(text.dot);
    p.drawEllipse(QRectF(cx - 4, cy - 2, 8, 8));

    p.setFont(QFont(QStringLiteral("Segoe UI"), 18));
    p.setPen(QColor(0x8A, 0x95, 0xA7));
    p.drawText(QRect(QPoint(0, cy + 16), QPoint(w - 1, cy + 49)), Qt::AlignHCenter | Qt::AlignTop,
               text.second);

    if (!text.third.isEmpty()) {
        p.setFont(QFont(text.thirdFamily, 13));
        p.setPen(QColor(0x5A, 0x65, 0x76));
        p.drawText(QRect(QPoint(0, cy + 54), QPoint(w - 1, cy + 79)),
                   Qt::AlignHCenter | Qt::AlignTop, text.third);
    }
    p.end();
    return image.convertToFormat(QImage::Format_BGR888);
}
} // namespace

QImage StatusCard::idle(QSize size, const QString& address)
{
    return drawCard(size.width(), size.height(),
                    {QStringLiteral("Waiting for your phone"), address, QStringLiteral("Consolas"),
                     QColor(0x22, 0xD0, 0xC1)});
}

QImage StatusCard::paused(QSize size)
{
    return drawCard(size.width(), size.height(),
                    {QStringLiteral("Phone video paused"),
                     QStringLiteral("Waiting for the phone to resume"), QStringLiteral("Segoe UI"),
                     QColor(0xF5, 0xA6, 0x23)});
}
