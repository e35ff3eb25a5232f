#include "tests/ui/TextFit.h"

#include <QColor>
#include <QRectF>

namespace {

constexpr qreal slack = 1.0; // antialiasing and rounding

bool isA(const QQuickItem* item, const char* className)
{
    return item->inherits(className);
}

qreal opacityOf(const QQuickItem* item)
{
    qreal o = 1;
    for (; item; item = item->parentItem())
        o *= item->opacity();
    return o;
}

bool shown(const QQuickItem* item)
{
    return item->isVisible() && opacityOf(item) > 0.01 && item->width() > 0 && item->height() > 0;
}

bool isDrawnRect(const QQuickItem* item)
{
    if (!isA(item, "QQuickRectangle"))
        return false;
    if (item->property("color").value<QColor>().alpha() > 0)
        return true;
    const QObject* border = item->property("border").value<QObject*>();
    return border && border->property("width").toReal() > 0
        && border->property("color").value<QColor>().alpha() > 0;
}

bool isPositioner(const QQuickItem* item)
{
    return isA(item, "QQuickBasePositioner");
}

bool isScroller(const QQuickItem* item)
{
    return isA(item, "QQuickFlickable");
}

QRectF sceneRect(const QQuickItem* item, const QRectF& local)
{
    return item->mapRectToScene(local);
}

QRectF bounds(const QQuickItem* item)
{
    return sceneRect(item, QRectF(0, 0, item->width(), item->height()));
}

// Where a Text's glyphs are, from its laid-out size and alignment.
QRectF ink(const QQuickItem* text)
{
    const qreal cw = text->property("contentWidth").toReal();
    const qreal ch = text->property("contentHeight").toReal();
    const int h = text->property("effectiveHorizontalAlignment").toInt();
    const int v = text->property("verticalAlignment").toInt();
    qreal x = 0, y = 0;
    if (h & Qt::AlignRight)
        x = text->width() - cw;
    else if (h & Qt::AlignHCenter)
        x = (text->width() - cw) / 2;
    if (v & Qt::AlignBottom)
        y = text->height() - ch;
    else if (v & Qt::AlignVCenter)
        y = (text->height() - ch) / 2;
    return sceneRect(text, QRectF(x, y, cw, ch));
}

bool inside(const QRectF& inner, const QRectF& outer, bool sidewaysOnly)
{
    const bool across =
        inner.left() >= outer.left() - slack && inner.right() <= outer.right() + slack;
    const bool down =
        inner.top() >= outer.top() - slack && inner.bottom() <= outer.bottom() + slack;
    return across && (sidewaysOnly || down);
}

bool overlaps(const QRectF& a, const QRectF& b)
{
    return a.adjusted(slack, slack, -slack, -slack).intersects(b);
}

bool isAncestor(const QQuickItem* maybe, const QQuickItem* item)
{
    for (const QQuickItem* p = item->parentItem(); p; p = p->parentItem())
        if (p == maybe)
            return true;
    return false;
}

void collect(QQuickItem* item, QList<QQuickItem*>& out)
{
    if (!item->isVisible())
        return;
    out << item;
    for (QQuickItem* child : item->childItems())
        collect(child, out);
}

} // namespace

QStringList TextFit::shownTexts(QQuickItem* root)
{
    QList<QQuickItem*> all;
    collect(root, all);
    QStringList texts;
    for (const QQuickItem* item : std::as_const(all))
        if (isA(item, "QQuickText") && shown(item))
            texts << item->property("text").toString();
    return texts;
}

QStringList TextFit::problems(QQuickItem* root, const std::function<bool(const QString&)>& wanted)
{
    QList<QQuickItem*> all;
    collect(root, all);
    QStringList found;
    for (QQuickItem* text : std::as_const(all)) {
        if (!isA(text, "QQuickText") || !shown(text))
            continue;
        const QString content = text->property("text").toString();
        if (content.trimmed().isEmpty() || !wanted(content))
            continue;
        const QRectF glyphs = ink(text);
        auto report = [&](const QString& what) { found << content + QStringLiteral(": ") + what; };

        if (text->property("truncated").toBool())
            report(QStringLiteral("elided"));
        if (text->property("contentWidth").toReal() > text->width() + slack)
            report(QStringLiteral("wider than its box"));
        if (text->property("contentHeight").toReal() > text->height() + slack)
            report(QStringLiteral("taller than its box"));

        QQuickItem* parent = text->parentItem();
        if (parent && !isPositioner(parent) && !isScroller(parent)
            && !inside(glyphs, bounds(parent), false))
            report(QStringLiteral("outside its parent"));

        // Enclosing boxes, up to the root; the nearest one holds the neighbours.
        QQuickItem* box = nullptr;
        bool scrolled = false;
        bool hidden = false;
        for (QQuickItem* p = parent; p; p = p->parentItem()) {
            if (isScroller(p)) {
                if (!bounds(p).intersects(glyphs))
                    hidden = true; // scrolled out of view
                scrolled = true;
                continue;
            }
            if (!isDrawnRect(p) && !p->clip())
                continue;
            if (!box)
                box = p;
            if (!inside(glyphs, bounds(p), scrolled))
                report(QStringLiteral("outside its box ") + p->metaObject()->className());
            if (p == root)
                break;
        }
        if (hidden)
            continue;
        if (!box)
            box = root;

        for (QQuickItem* other : std::as_const(all)) {
            if (other == text || !shown(other) || isAncestor(other, text) || isAncestor(text, other)
                || !isAncestor(box, other))
                continue;
            if (isA(other, "QQuickText")) {
                if (!other->property("text").toString().trimmed().isEmpty()
                    && overlaps(glyphs, ink(other)))
                    report(QStringLiteral("over the text ") + other->property("text").toString());
            } else if (isA(other, "QQuickImage")) {
                if (overlaps(glyphs, bounds(other)))
                    report(QStringLiteral("over an image"));
            } else if (isDrawnRect(other)) {
                const QRectF r = bounds(other);
                if (overlaps(glyphs, r) && !inside(glyphs, r, false))
                    report(QStringLiteral("partly over a shape"));
            }
        }
    }
    found.removeDuplicates();
    return found;
}
