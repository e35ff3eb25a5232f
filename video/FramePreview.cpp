#include "video/FramePreview.h"

#include <QQuickWindow>
#include <QSGSimpleTextureNode>
#include <QSGTexture>

#include <algorithm>

namespace {

bool fuzzyEqual(double a, double b)
{
    // qFuzzyCompare alone never matches zero against a tiny value.
    return qFuzzyIsNull(a) && qFuzzyIsNull(b) ? true : qFuzzyCompare(a, b);
}

bool fuzzyEqual(const QRectF& a, const QRectF& b)
{
    return fuzzyEqual(a.x(), b.x()) && fuzzyEqual(a.y(), b.y()) && fuzzyEqual(a.width(), b.width())
        && fuzzyEqual(a.height(), b.height());
}

} // namespace

FramePreview::FramePreview(QQuickItem* parent)
    : QQuickItem(parent)
{
    setFlag(ItemHasContents);
}

QRectF FramePreview::letterbox(const QSizeF& item, const QSize& picture)
{
    const double W = item.width();
    const double H = item.height();
    const int w = picture.width();
    const int h = picture.height();
    if (W <= 0 || H <= 0 || w <= 0 || h <= 0)
        return QRectF(0, 0, W, H);
    const double s = std::min(W / w, H / h);
    return QRectF((W - w * s) / 2, (H - h * s) / 2, w * s, h * s);
}

void FramePreview::setFrame(const QImage& img)
{
    const QSize previous = frameSize_;
    frame = img;
    frameSize_ = img.size();
    textureDirty = true;
    if (frameSize_ != previous)
        Q_EMIT frameSizeChanged();
    updateContentRect();
    update();
}

void FramePreview::updateContentRect()
{
    const QRectF r = letterbox(size(), frameSize_);
    if (fuzzyEqual(r, contentRect_))
        return;
    contentRect_ = r;
    Q_EMIT contentRectChanged();
}

void FramePreview::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (!fuzzyEqual(newGeometry.width(), oldGeometry.width())
        || !fuzzyEqual(newGeometry.height(), oldGeometry.height()))
        updateContentRect();
}

QSGNode* FramePreview::updatePaintNode(QSGNode* oldNode, UpdatePaintNodeData*)
{
    auto* node = static_cast<QSGSimpleTextureNode*>(oldNode);
    if (textureDirty && !frame.isNull() && window()) {
        // Mipmaps keep a large picture smooth when it is shown much smaller.
        QSGTexture* texture = window()->createTextureFromImage(
            frame,
            QQuickWindow::CreateTextureOptions(QQuickWindow::TextureHasMipmaps)
                | QQuickWindow::TextureIsOpaque);
        if (texture) {
            // The node is made with its first texture: the software renderer cannot draw a
            // texture node that has none.
            if (!node) {
                node = new QSGSimpleTextureNode;
                node->setFiltering(QSGTexture::Linear);
                node->setOwnsTexture(true);
            }
            texture->setMipmapFiltering(QSGTexture::Linear);
            node->setTexture(texture); // the node frees the previous texture
        }
    }
    // The texture has what it needs; letting the picture go lets its sender reuse the memory
    // for the next one.
    if (textureDirty)
        frame = QImage();
    textureDirty = false;
    if (!node)
        return nullptr;
    // A null picture keeps the last texture on screen, placed by the texture's own size.
    node->setRect(letterbox(size(), node->texture()->textureSize()));
    return node;
}
