#include "app/ShotOptions.h"

#include <QStandardPaths>

namespace {

std::optional<QString> valueOf(const QStringList& args, const QString& option)
{
    const qsizetype at = args.indexOf(option);
    if (at < 0 || at + 1 >= args.size())
        return std::nullopt;
    return args.at(at + 1);
}

// "WIDTHxHEIGHT"; each side below 200 or not a number falls back on its own.
QSize parseSize(const QString& text)
{
    const qsizetype x = text.indexOf(QLatin1Char('x'));
    if (x <= 0)
        return QSize(540, 640);
    bool okW = false;
    bool okH = false;
    const int w = text.left(x).toInt(&okW);
    const int h = text.mid(x + 1).toInt(&okH);
    return QSize(okW && w >= 200 ? w : 540, okH && h >= 200 ? h : 640);
}

} // namespace

ShotOptions ShotOptions::parse(const QStringList& args, const QDateTime& startedAt)
{
    ShotOptions o;
    o.size = parseSize(valueOf(args, QStringLiteral("--shot")).value_or(QString()));

    o.out = valueOf(args, QStringLiteral("--out")).value_or(QString());
    o.defaultOut = o.out.isEmpty();
    if (o.defaultOut) {
        o.out = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)
            + QStringLiteral("/Vidlet/Vidlet-")
            + startedAt.toString(QStringLiteral("yyyyMMdd-HHmmss")) + QStringLiteral(".png");
    }

    o.view = valueOf(args, QStringLiteral("--shot-view")).value_or(QString());
    o.active = valueOf(args, QStringLiteral("--shot-active")).value_or(QString());

    bool ok = false;
    const int delay = valueOf(args, QStringLiteral("--shot-delay")).value_or(QString()).toInt(&ok);
    o.delayMs = ok && delay >= 200 ? delay : 4000;

    if (const auto theme = valueOf(args, QStringLiteral("--shot-theme"))) {
        const int mode = theme->toInt(); // not a number counts as 0
        if (mode >= 0 && mode <= 2)
            o.theme = mode;
    }
    return o;
}
